#include "common/SharedFiles.h"

#include "common/Exception.h"
#include "common/Owners.h"

namespace svcgate {

namespace {

// A reader holds the file open while it reads it, which keeps it from being
// replaced, and a writer's move locks it for an instant; each waits for the other.
constexpr DWORD MoveRetryMs = 25;
constexpr DWORD MoveAttempts = ReplaceWaitMs / MoveRetryMs;

// A new file that is deleted unless it took its place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& beside) {
        const std::wstring folder = beside.substr(0, beside.find_last_of(L"\\/") + 1);
        wchar_t name[MAX_PATH] = {};
        CheckWin32(GetTempFileNameW(folder.c_str(), L"sgw", 0, name) != 0);
        path_ = name;
    }
    ~TemporaryFile() {
        if (!path_.empty())
            DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& Path() const { return path_; }
    void MoveTo(const std::wstring& target, DWORD waitMs) {
        for (DWORD attempt = 1;; ++attempt) {
            if (MoveFileExW(path_.c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                path_.clear();
                return;
            }
            const DWORD error = GetLastError();
            const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
            if (!held || attempt * MoveRetryMs >= waitMs)
                CheckWin32Result(error);
            Sleep(MoveRetryMs);
        }
    }

private:
    std::wstring path_;
};

// A reader meets the file locked for the instant a writer moves a new one into
// its place; it waits for that rather than failing.
unique_handle OpenForReading(const std::wstring& path) {
    for (DWORD attempt = 1;; ++attempt) {
        unique_handle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || GetLastError() != ERROR_SHARING_VIOLATION || attempt == MoveAttempts)
            return file;
        Sleep(MoveRetryMs);
    }
}

// A move alone puts the new name on the disk, not the new contents: after a power
// cut the file could be there empty or torn.
void FlushToDisk(const std::wstring& path) {
    unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        RaiseLastOSError();
    CheckWin32(FlushFileBuffers(file.get()));
}

} // namespace

void ReplaceFile(const std::wstring& path, const std::function<void(const std::wstring&)>& write,
                 DWORD waitMs) {
    TemporaryFile temporary(path);
    write(temporary.Path());
    FlushToDisk(temporary.Path());
    temporary.MoveTo(path, waitMs);
}

std::optional<std::string> ReadSharedFile(const std::wstring& path) {
    unique_handle file = OpenForReading(path);
    if (!file) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        RaiseLastOSError();
    }
    LARGE_INTEGER size{};
    CheckWin32(GetFileSizeEx(file.get(), &size));
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    CheckWin32(ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr));
    bytes.resize(read);
    return bytes;
}

} // namespace svcgate
