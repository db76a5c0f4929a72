// The daily debug log of an automation object: switching it, its folder, and
// writing one line.

#include "common/Module.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "frame/uCOMSupport.h"
#include "frame/uDebugLogTexts.h"

namespace svcgate {

using namespace DebugLogTexts;

namespace {

std::wstring DateText(const SYSTEMTIME& time) {
    return FormatText(L"%04u.%02u.%02u", time.wYear, time.wMonth, time.wDay);
}

std::wstring TimeText(const SYSTEMTIME& time) {
    return DateText(time) + FormatText(L" %02u:%02u:%02u.%03u", time.wHour, time.wMinute,
                                       time.wSecond, time.wMilliseconds);
}

std::wstring ModuleBaseName() {
    const std::wstring path = ThisModulePath();
    const size_t nameStart = path.find_last_of(L"\\/") + 1;
    const size_t extension = path.find_last_of(L'.');
    return path.substr(nameStart,
                       extension > nameStart ? extension - nameStart : std::wstring::npos);
}

bool AppendToFile(const std::wstring& fileName, const std::string& bytes) {
    unique_handle file(CreateFileW(fileName.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

} // namespace

void TBaseObject::SetDebugLogEnabled(bool value) {
    if (value == FDebugLogEnabled)
        return;
    FDebugLogEnabled = value;
    if (value && !BeginDebugLog())
        FDebugLogEnabled = false;
}

// The device folder when it exists, else a folder named after the module under
// the all-users data folder, which every user of the cash desk may write.
std::wstring TBaseObject::DebugLogFolder() const {
    if (!FDebugLogDir.empty() && DirectoryExists(FDebugLogDir))
        return IncludeTrailingPathDelimiter(FDebugLogDir);
    return EnsureSharedFolder(GetCommonAppDataFolder() + ModuleBaseName());
}

std::wstring TBaseObject::DebugLogFile(const SYSTEMTIME& day) const {
    return FormatText(FileNameFormat, DebugLogFolder().c_str(), DateText(day).c_str());
}

// Whatever keeps a line from the file (a file another program holds, a folder
// that cannot be made), the line is dropped and the next one tries again.
bool TBaseObject::WriteDebugLog(std::wstring_view name, std::wstring_view text, bool nameOnly) {
    if (!FDebugLogEnabled)
        return false;
    try {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        std::wstring line =
            TimeText(now) + InstanceMarker + FInstanceID + NameSeparator + std::wstring(name);
        if (!nameOnly)
            line += TextSeparator + std::wstring(text);
        line += L"\r\n";
        return AppendToFile(DebugLogFile(now), WideToAnsi(line));
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace svcgate
