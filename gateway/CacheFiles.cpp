#include "gateway/CacheFiles.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "common/SharedFiles.h"
#include "common/Text.h"

#include <windows.h>

#include <sddl.h>

namespace svcgate {

namespace {

constexpr const wchar_t* CacheFilesMutex = L"Global\\VelmoraSvcGate.CacheFiles";
// Far beyond the time a catalogue of 10,000 providers takes to write.
constexpr DWORD CacheLockWaitMs = 30000;

// The session that comes first creates the mutex; without an entry for every
// user, the driver in another user's session could not open it.
unique_handle OpenMachineMutex(const std::wstring& name) {
    unique_hlocal descriptor;
    CheckWin32(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;;GA;;;WD)", SDDL_REVISION_1, descriptor.put_as<void>(), nullptr));
    SECURITY_ATTRIBUTES everyone{sizeof everyone, descriptor.get(), FALSE};
    unique_handle mutex(CreateMutexW(&everyone, FALSE, name.c_str()));
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED)
        mutex.reset(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
    return mutex;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        RaiseLastOSError();
    DWORD written = 0;
    CheckWin32(WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

std::wstring DecodedText(const std::string& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return Utf8ToWide(std::string_view(bytes).substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / sizeof(wchar_t));
    return AnsiToWide(bytes);
}

} // namespace

// A mutex left by a process that ended while holding it is taken over: what it
// guards is files, each replaced in one step, so they are still whole.
MachineLock::MachineLock(const std::wstring& name, DWORD waitMs) : mutex_(OpenMachineMutex(name)) {
    if (!mutex_)
        return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), waitMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        owned_.reset(mutex_.get());
}

CacheFilesLock::CacheFilesLock() : MachineLock(CacheFilesMutex, CacheLockWaitMs) {}

bool FileStamp::operator==(const FileStamp& other) const {
    return CompareFileTime(&written, &other.written) == 0 && size == other.size;
}

std::optional<FileStamp> StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileStamp{data.ftLastWriteTime, ULONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow};
}

std::wstring ReadIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    std::wstring value(1024, L'\0');
    const DWORD length = GetPrivateProfileStringW(section, key, L"", value.data(),
                                                  DWORD(value.size()), path.c_str());
    value.resize(length);
    return value;
}

void WriteIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                  const std::wstring& value) {
    ReplaceFile(path, [&](const std::wstring& temporary) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            CheckWin32(CopyFileW(path.c_str(), temporary.c_str(), FALSE));
        CheckWin32(WritePrivateProfileStringW(section, key, value.c_str(), temporary.c_str()));
    });
}

std::vector<std::wstring> ReadTextLines(const std::wstring& path) {
    return SplitLines(DecodedText(ReadSharedFile(path).value_or(std::string())));
}

void WriteTextLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\r\n";
    ReplaceFile(path,
                [&](const std::wstring& temporary) { WriteBytes(temporary, WideToAnsi(text)); });
}

} // namespace svcgate
