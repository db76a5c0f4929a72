#include "common/uCommonUtils.Folders.h"

#include "../support/Files.h"

#include "common/Owners.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>

using namespace svcgate;

namespace {

struct EveryoneEntries {
    int count = 0;
    bool fullAccessInherited = false;
};

// Windows keeps generic-all as it is; Wine stores the file rights it maps it to:
// reading, writing, running and deleting.
bool GrantsFullAccess(const ACCESS_ALLOWED_ACE& ace) {
    const DWORD mapped = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    return (ace.Header.AceFlags & inherit) == inherit &&
           (ace.Mask == GENERIC_ALL || (ace.Mask & mapped) == mapped);
}

EveryoneEntries ReadEveryoneEntries(const std::wstring& path) {
    ACL* dacl = nullptr;
    unique_hlocal descriptor;
    EXPECT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &dacl, nullptr, descriptor.put_as<void>()),
              static_cast<DWORD>(ERROR_SUCCESS));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    unique_sid everyone;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, everyone.put());
    EveryoneEntries entries;
    for (DWORD index = 0; dacl && index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        GetAce(dacl, index, reinterpret_cast<void**>(&ace));
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !EqualSid(&ace->SidStart, everyone.get()))
            continue;
        ++entries.count;
        entries.fullAccessInherited = entries.fullAccessInherited || GrantsFullAccess(*ace);
    }
    return entries;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"svcgate-acl-" + std::to_wstring(GetCurrentProcessId());
}

TEST(Folders, SpecialFoldersEndWithADelimiter) {
    const std::wstring common = GetCommonAppDataFolder();
    EXPECT_EQ(common.back(), L'\\');
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA).back(), L'\\');
}

TEST(Folders, EveryoneGetsInheritableFullAccessWithoutDuplicates) {
    const std::wstring base = TempFolder();
    const std::wstring path = base + L"\\nested\\folder";
    ForceDirectories(path);
    ForceDirectories(path);
    ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    GrantEveryoneFullAccess(path);
    const EveryoneEntries first = ReadEveryoneEntries(path);
    EXPECT_TRUE(first.fullAccessInherited);
    GrantEveryoneFullAccess(path);
    EXPECT_EQ(ReadEveryoneEntries(path).count, first.count);
    std::filesystem::remove_all(base);
}

std::wstring AccessListText(const std::wstring& path) {
    unique_hlocal descriptor;
    EXPECT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr, descriptor.put_as<void>()),
              static_cast<DWORD>(ERROR_SUCCESS));
    unique_hlocal text;
    EXPECT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, text.put_as<wchar_t>(),
        nullptr));
    return static_cast<const wchar_t*>(text.get());
}

TEST(Folders, SharedFolderIsMadeWithItsParentsAndOpenedToEveryone) {
    const test::TempFolder base;
    const std::wstring path = base.path() + L"nested\\shared";
    EXPECT_EQ(EnsureSharedFolder(path), path + L"\\");
    EXPECT_TRUE(ReadEveryoneEntries(path).fullAccessInherited);
}

TEST(Folders, AnExistingSharedFolderKeepsItsAccessList) {
    const test::TempFolder folder;
    const std::wstring before = AccessListText(folder.path());
    EnsureSharedFolder(folder.path());
    EXPECT_EQ(AccessListText(folder.path()), before);
}

TEST(Folders, DataFolderIsSharedAndOpenToEveryone) {
    const std::wstring folder = GetDataFolder();
    EXPECT_EQ(folder, GetCommonAppDataFolder() + L"VelmoraSvcGate\\");
    const EveryoneEntries first = ReadEveryoneEntries(folder);
    EXPECT_TRUE(first.fullAccessInherited);
    EXPECT_EQ(GetDataFolder(), folder);
    EXPECT_EQ(ReadEveryoneEntries(folder).count, first.count);
}

} // namespace
