#include "common/uCommonUtils.h"

#include "../support/Files.h"

#include "common/Exception.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>

using namespace svcgate;

namespace {

constexpr LCID Russian = 0x419;
constexpr LCID English = 0x409;
constexpr Currency Units = 10000;

// Money texts must read and write the same under the comma and the point locale.
class MoneyText : public testing::TestWithParam<LCID> {};

TEST_P(MoneyText, ReadsEitherDecimalMark) {
    EXPECT_EQ(TextToCurrency(L"12,50", GetParam()), 125000);
    EXPECT_EQ(TextToCurrency(L"12.50", GetParam()), 125000);
    EXPECT_EQ(TextToCurrency(L" 12,50 ", GetParam()), 125000);
    EXPECT_EQ(TextToCurrency(L"-0.0001", GetParam()), -1);
    EXPECT_EQ(TextToCurrency(L"", GetParam()), 0);
    EXPECT_EQ(TextToCurrency(L" \t", GetParam()), 0);
}

TEST_P(MoneyText, RaisesForATextThatIsNoNumber) {
    EXPECT_THROW(TextToCurrency(L"12a", GetParam()), Exception);
    EXPECT_THROW(TextToCurrency(L"abc", GetParam()), Exception);
}

TEST_P(MoneyText, WritesTheShortestTextWithAPoint) {
    EXPECT_EQ(CurrencyToText(100 * Units, GetParam()), L"100");
    EXPECT_EQ(CurrencyToText(995 * Units / 10, GetParam()), L"99.5");
    EXPECT_EQ(CurrencyToText(Units / 100, GetParam()), L"0.01");
    EXPECT_EQ(CurrencyToText(-1234567 * Units - 1, GetParam()), L"-1234567.0001");
    EXPECT_EQ(CurrencyToText(0, GetParam()), L"0");
    EXPECT_EQ(CurrencyToText(INT64_MAX, GetParam()), L"922337203685477.5807");
}

// Plain texts are read without the platform's parser; the others still go to it.
TEST_P(MoneyText, ReadsPlainTextsAsThePlatformDoes) {
    EXPECT_EQ(TextToCurrency(L"0012", GetParam()), 120000);
    EXPECT_EQ(TextToCurrency(L"-0", GetParam()), 0);
    EXPECT_EQ(TextToCurrency(L"-7,5", GetParam()), -75000);
    EXPECT_EQ(TextToCurrency(L"99999999999999.9999", GetParam()), 999999999999999999);
    EXPECT_EQ(TextToCurrency(L"100000000000000", GetParam()), 1000000000000000000);
    EXPECT_EQ(TextToCurrency(L"1.23456", GetParam()), 12346);
    EXPECT_EQ(TextToCurrency(L"+5", GetParam()), 50000);
    EXPECT_THROW(TextToCurrency(L"1.5.5", GetParam()), Exception);
    EXPECT_THROW(TextToCurrency(L"-", GetParam()), Exception);
}

INSTANTIATE_TEST_SUITE_P(Locales, MoneyText, testing::Values(Russian, English));

TEST(MoneyText, UserLocaleIsTheDefault) {
    EXPECT_EQ(TextToCurrency(L"7.25"), 72500);
    EXPECT_EQ(CurrencyToText(72500), L"7.25");
}

TEST(DateText, WritesDayMonthYear) {
    SYSTEMTIME time{};
    time.wYear = 1980;
    time.wMonth = 3;
    time.wDay = 5;
    double date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&time, &date));
    EXPECT_EQ(DateToText(date), L"05.03.1980");
    EXPECT_EQ(DateToText(date + 0.99999999), L"05.03.1980");
}

struct Base64Case {
    std::string bytes;
    std::wstring encoded;
};

class Base64 : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64, EncodesKnownAnswers) {
    EXPECT_EQ(Base64Encode(GetParam().bytes), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64,
                         testing::Values(Base64Case{"", L""}, Base64Case{"f", L"Zg=="},
                                         Base64Case{"fo", L"Zm8="}, Base64Case{"foo", L"Zm9v"},
                                         Base64Case{"foob", L"Zm9vYg=="},
                                         Base64Case{"fooba", L"Zm9vYmE="},
                                         Base64Case{"foobar", L"Zm9vYmFy"},
                                         Base64Case{"abc", L"YWJj"},
                                         Base64Case{std::string("\xFF\x00\xFE", 3), L"/wD+"}));

struct Md5Case {
    std::wstring text;
    std::wstring digest;
};

class Md5 : public testing::TestWithParam<Md5Case> {};

TEST_P(Md5, HashesKnownAnswersInUpperCase) {
    EXPECT_EQ(MD5HexUpper(GetParam().text), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5,
    testing::Values(Md5Case{L"", L"D41D8CD98F00B204E9800998ECF8427E"},
                    Md5Case{L"a", L"0CC175B9C0F1B6A831C399E269772661"},
                    Md5Case{L"abc", L"900150983CD24FB0D6963F7D28E17F72"},
                    Md5Case{L"message digest", L"F96B697D7CB7938D525A2F31AAF161D0"},
                    Md5Case{L"abcdefghijklmnopqrstuvwxyz", L"C3FCD3D76192E4007DFB496CCA67E13B"},
                    Md5Case{L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                            L"D174AB98D277D9F5A5611C2C9F419D9F"},
                    Md5Case{L"1234567890123456789012345678901234567890"
                            L"1234567890123456789012345678901234567890",
                            L"57EDF4A22BE3C955AC49DA2E2107B67A"}));

TEST(Md5, HashesCharactersOutsideAsciiAsQuestionMarks) {
    EXPECT_EQ(MD5HexUpper(L"\u041f\u0430\u0440\u043e\u043b\u044c1"), MD5HexUpper(L"??????1"));
}

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
