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
// The bytes of a file the test means to look at: a failure of the test when it
// cannot be read.
std::string ReadFileBytes(const std::wstring& fileName);
// The lines of such a file in the ANSI code page, each ended by LF or CR LF.
std::vector<std::wstring> ReadAnsiLines(const std::wstring& fileName);
// Every file directly in a folder whose name starts with `prefix`.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& prefix);

} // namespace svcgate::test
