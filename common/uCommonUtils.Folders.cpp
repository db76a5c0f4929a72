#include "common/uCommonUtils.Folders.h"

#include "common/Exception.h"
#include "common/Owners.h"

#include <windows.h>

#include <aclapi.h>
#include <shlobj.h>

namespace svcgate {

namespace {

constexpr const wchar_t* DataFolderName = L"VelmoraSvcGate";

unique_sid EveryoneSid() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    unique_sid sid;
    CheckWin32(
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, sid.put()));
    return sid;
}

// Only allowing entries count: a denying one would not give anybody access.
bool HasFullAccessEntry(ACL* dacl, PSID sid) {
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        CheckWin32(GetAce(dacl, index, reinterpret_cast<void**>(&ace)));
        if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ace->Mask == GENERIC_ALL &&
            EqualSid(&ace->SidStart, sid))
            return true;
    }
    return false;
}

EXPLICIT_ACCESSW FullAccessFor(PSID sid) {
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return access;
}

} // namespace

std::wstring IncludeTrailingPathDelimiter(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring GetSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT hr =
        SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(hr)) {
        // Nothing is left to fall back to when the user's own folder fails too.
        if (csidl == CSIDL_APPDATA)
            CheckHResult(hr);
        return GetSpecialFolder(CSIDL_APPDATA);
    }
    return IncludeTrailingPathDelimiter(path);
}

std::wstring GetCommonAppDataFolder() {
    return GetSpecialFolder(CSIDL_COMMON_APPDATA);
}

std::wstring GetDataFolder() {
    return EnsureSharedFolder(GetCommonAppDataFolder() + DataFolderName);
}

bool ForceDirectories(const std::wstring& path) {
    const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_ALREADY_EXISTS)
        return false;
    CheckWin32Result(static_cast<DWORD>(result));
    return true;
}

// Only the instance that made the folder grants: rewriting the list of an existing
// one on every use would fight an administrator's narrower list, and under Wine the
// entry never reads back as granted, so the list would be rewritten every time.
std::wstring EnsureSharedFolder(const std::wstring& path) {
    if (ForceDirectories(path))
        GrantEveryoneFullAccess(path);
    return IncludeTrailingPathDelimiter(path);
}

void GrantEveryoneFullAccess(const std::wstring& path) {
    const unique_sid everyone = EveryoneSid();
    ACL* dacl = nullptr;
    unique_hlocal descriptor;
    CheckWin32Result(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, &dacl, nullptr,
                                           descriptor.put_as<void>()));
    if (!dacl || HasFullAccessEntry(dacl, everyone.get()))
        return;
    EXPLICIT_ACCESSW access = FullAccessFor(everyone.get());
    unique_hlocal merged;
    CheckWin32Result(SetEntriesInAclW(1, &access, dacl, merged.put_as<ACL>()));
    // Another instance may own the folder; the folder stays usable for reading then.
    std::wstring target = path;
    SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, static_cast<ACL*>(merged.get()), nullptr);
}

} // namespace svcgate
