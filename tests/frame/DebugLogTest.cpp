#include "TestObject.h"

#include "../support/Files.h"
#include "../support/Host.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "frame/uDebugLog.h"

#include <gtest/gtest.h>

#include <regex>

using namespace svcgate;
using namespace svcgate::test;

namespace {

unique_variant Matrix2x3() {
    unique_safearray matrix = CreateVariantMatrix(2, 3);
    for (long i = 0; i < 2; ++i)
        for (long j = 0; j < 3; ++j)
            PutElement(matrix.get(), i, j, MakeVariant(FormatText(L"a%ld%ld", i, j)).get());
    return MakeArrayVariant(std::move(matrix));
}

TEST(LogText, WritesEachKindOfValueAsTheLogShowsIt) {
    unique_variant null;
    V_VT(null.addressof()) = VT_NULL;
    unique_variant byte;
    V_VT(byte.addressof()) = VT_UI1;
    V_UI1(byte.addressof()) = 'A';
    unique_variant wide;
    V_VT(wide.addressof()) = VT_I8;

    EXPECT_EQ(LogText(unique_variant().get()), L"EMPTY");
    EXPECT_EQ(LogText(null.get()), L"NULL");
    EXPECT_EQ(LogText(MakeVariant(-42).get()), L"-42");
    EXPECT_EQ(LogText(MakeVariant(1.5).get()), L"1,5");
    EXPECT_EQ(LogText(MakeCurrencyVariant(125000).get()), L"12,5");
    EXPECT_EQ(LogText(MakeBoolVariant(true).get()), L"True");
    EXPECT_EQ(LogText(byte.get()), L"A");
    EXPECT_EQ(LogText(wide.get()), L"");
    EXPECT_EQ(LogText(MakeVariant(L"two\r\nlines 'q'").get()), L"'two\\nlines 'q''");
}

TEST(LogText, WritesArraysAsNestedGroups) {
    EXPECT_EQ(LogText(MakeVariantArray(MakeVariant(5), MakeVariant(L"ab")).get()), L"[(5; 'ab')]");
    EXPECT_EQ(LogText(Matrix2x3().get()), L"[(('a00'; 'a10')('a01'; 'a11')('a02'; 'a12'))]");
    EXPECT_EQ(LogText(MakeVariantArray(MakeVariantArray(MakeVariant(1))).get()), L"[([(1)])]");
    EXPECT_EQ(LogText(static_cast<SAFEARRAY*>(nullptr)), L"EMPTY");
}

// Eight digits in a 32-bit host, sixteen in a 64-bit one: the whole address.
TEST(LogText, WritesAnInterfaceAsItsAddress) {
    com_ptr<test::TestObject> object = TBaseObject::Create<test::TestObject>();
    const std::wstring text = LogText(MakeDispatchVariant(object.get()).get());
    const auto address = reinterpret_cast<uintptr_t>(static_cast<IDispatch*>(object.get()));
    ASSERT_EQ(text.size(), 1 + 2 * sizeof address);
    EXPECT_EQ(text[0], L'$');
    EXPECT_EQ(std::stoull(text.substr(1), nullptr, 16), address);
    EXPECT_EQ(text.find_first_not_of(L"0123456789ABCDEF", 1), std::wstring::npos);
}

class DebugLog : public testing::Test {
protected:
    TempFolder folder;
    com_ptr<TestObject> object = TBaseObject::Create<TestObject>();

    void SetUp() override { object->FDebugLogDir = folder.path(); }

    std::vector<std::wstring> Lines() {
        const auto files = FilesIn(folder.path(), L"Debug_");
        return files.size() == 1 ? ReadAnsiLines(files[0]) : std::vector<std::wstring>();
    }
};

TEST_F(DebugLog, OnePublicCallWritesALineBeforeAndOneAfter) {
    object->SetDebugLogEnabled(true);
    unique_variant outData;
    CallPublic(object.get(), L"Run", MakeVariant(L"a\r\nb").get(), outData);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    const std::wregex layout(L"\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} Inst\\.: "
                             L"\\{[0-9A-F-]{36}\\}\t(.*)");
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, layout)) << lines[0];
    EXPECT_EQ(match[1].str(), L"> Run: \tInData: 'a\\nb'");
    EXPECT_NE(lines[0].find(object->InstanceID()), std::wstring::npos);
    ASSERT_TRUE(std::regex_match(lines[1], match, layout)) << lines[1];
    EXPECT_EQ(match[1].str(), L"< Run: \tResult=True; OutData: EMPTY");
}

TEST_F(DebugLog, ACallRefusedForItsTimeOutStillClosesItsLine) {
    object->SetDebugLogEnabled(true);
    unique_variant outData;
    EXPECT_EQ(Call(object.get(), L"Run", Args(MakeVariant(1), Ref(outData))).hr, E_INVALIDARG);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].ends_with(L"\t> Run: \tInData: 1"));
    EXPECT_TRUE(lines[1].ends_with(L"\t< Run: \tResult=EMPTY; OutData: EMPTY"));
    EXPECT_EQ(object->publicRuns, 0);
}

TEST_F(DebugLog, TheFileIsNamedAfterToday) {
    object->SetDebugLogEnabled(true);
    object->WriteDebugLog(L"name only", L"ignored", true);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring file =
        folder.path() + FormatText(L"Debug_%04u.%02u.%02u.log", now.wYear, now.wMonth, now.wDay);
    const auto lines = ReadAnsiLines(file);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(L"}\tname only"));
}

TEST_F(DebugLog, PrivateCallsLogTheirParamsAndErrors) {
    object->SetDebugLogEnabled(true);
    object->privateBehaviour = [](SAFEARRAY*) -> unique_variant { throw Exception(L"сбой"); };
    Call(object.get(), L"Poke", Args(MakeVariant(3)));

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].ends_with(L"\t> Poke: \tParams: [(3)]"));
    EXPECT_TRUE(lines[1].ends_with(L"\tEXCEPTION: \tсбой"));
    EXPECT_TRUE(lines[2].ends_with(L"\tEXCEPTION: \tException: сбой"));
}

TEST_F(DebugLog, ACallThatSwitchesLoggingOnLeavesNoLineOfItsOwn) {
    object->publicBehaviour = [this](const VARIANT&, unique_variant&, std::wstring&) {
        object->SetDebugLogEnabled(true);
        return 0;
    };
    unique_variant outData;
    CallPublic(object.get(), L"Run", unique_variant().get(), outData);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(DebugLog, WithLoggingOffNothingIsWrittenAndNoFolderMade) {
    const std::wstring defaultFolder = GetCommonAppDataFolder() + L"test_frame";
    RemoveFolderTree(defaultFolder);
    object->FDebugLogDir = L"C:\\no\\such\\folder";
    unique_variant outData;
    CallPublic(object.get(), L"Run", unique_variant().get(), outData);
    object->WriteDebugLog(L"x", L"y");
    EXPECT_FALSE(PathExists(defaultFolder));
}

TEST_F(DebugLog, AMissingDeviceFolderSendsLinesToTheDefaultFolder) {
    const std::wstring defaultFolder = GetCommonAppDataFolder() + L"test_frame\\";
    RemoveFolderTree(defaultFolder);
    object->FDebugLogDir = L"C:\\no\\such\\folder";
    object->SetDebugLogEnabled(true);
    object->WriteDebugLog(L"x", L"y");
    const auto files = FilesIn(defaultFolder, L"Debug_");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadAnsiLines(files[0]).size(), 1u);
    RemoveFolderTree(defaultFolder);
}

// Another program holds today's file without sharing it: the call still answers
// with the handler's result, OutData and message, and later lines are tried again.
TEST_F(DebugLog, ALogFileHeldByAnotherProgramNeverChangesACall) {
    object->SetDebugLogEnabled(true);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring file =
        folder.path() + FormatText(L"Debug_%04u.%02u.%02u.log", now.wYear, now.wMonth, now.wDay);
    unique_handle held(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    object->publicBehaviour = [](const VARIANT&, unique_variant& OutData, std::wstring&) {
        OutData = MakeVariant(L"payment 42");
        return 0;
    };
    unique_variant outData;
    EXPECT_TRUE(CallPublic(object.get(), L"Run", unique_variant().get(), outData));
    EXPECT_EQ(VariantToText(outData.get()), L"payment 42");

    object->publicBehaviour = [](const VARIANT&, unique_variant&, std::wstring& description) {
        description = L"Шлюз молчит";
        return 1007;
    };
    EXPECT_FALSE(CallPublic(object.get(), L"Run", unique_variant().get(), outData));
    EXPECT_EQ(ErrorText(outData), L"Шлюз молчит");

    held.reset();
    CallPublic(object.get(), L"Run", unique_variant().get(), outData);
    EXPECT_EQ(Lines().size(), 2u);
}

} // namespace
