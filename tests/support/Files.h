#pragma once
// Files and folders for tests.

#include <string>
#include <vector>

namespace svcgate::test {

// A new empty folder under the temporary folder, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing delimiter.
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

void RemoveFolderTree(const std::wstring& path);
bool PathExists(const std::wstring& path);
// The lines of an ANSI text file ended by CR LF; empty when there is no file.
std::vector<std::wstring> ReadAnsiLines(const std::wstring& fileName);
// Every file directly in a folder whose name starts with `prefix`.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& prefix);

} // namespace svcgate::test
