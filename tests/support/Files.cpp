#include "Files.h"

#include "common/Text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace svcgate::test {

TempFolder::TempFolder() {
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t name[40] = {};
    StringFromGUID2(guid, name, 40);
    const fs::path folder = fs::temp_directory_path() / (std::wstring(L"svcgate") + name);
    fs::create_directories(folder);
    path_ = folder.wstring() + L"\\";
}

TempFolder::~TempFolder() {
    RemoveFolderTree(path_);
}

void RemoveFolderTree(const std::wstring& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

bool PathExists(const std::wstring& path) {
    return fs::exists(path);
}

std::string ReadFileBytes(const std::wstring& fileName) {
    std::ifstream file(fs::path(fileName), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_TRUE(file.is_open() && !file.bad()) << "not read: " << WideToUtf8(fileName);
    return content.str();
}

std::vector<std::wstring> ReadAnsiLines(const std::wstring& fileName) {
    return SplitLines(AnsiToWide(ReadFileBytes(fileName)));
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& prefix) {
    std::vector<std::wstring> files;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing))
        if (entry.path().filename().wstring().starts_with(prefix))
            files.push_back(entry.path().wstring());
    return files;
}

} // namespace svcgate::test
