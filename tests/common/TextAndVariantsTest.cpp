#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include <windows.h>

#include <gtest/gtest.h>

using namespace svcgate;

TEST(Text, SameTextFoldsOnlyLatinLetters) {
    EXPECT_TRUE(SameText(L"GetDeviceInfo", L"getdeviceINFO"));
    EXPECT_FALSE(SameText(L"Init", L"Ini"));
    EXPECT_FALSE(SameText(L"\u0410", L"\u0430"));
}

TEST(Text, FormatTextTakesWideTextsForPercentS) {
    EXPECT_EQ(FormatText(L"%sDebug_%s.log", L"C:\\d\\", L"2024.03.05"),
              L"C:\\d\\Debug_2024.03.05.log");
    EXPECT_EQ(FormatText(L"%d.%d.%d", 3, 4, 6), L"3.4.6");
}

TEST(Text, AnsiRoundTripUsesTheCyrillicCodePage) {
    EXPECT_EQ(GetACP(), 1251u);
    const std::wstring text = L"\u041d\u0435\u0442 \u043e\u0448\u0438\u0431\u043e\u043a";
    EXPECT_EQ(WideToAnsi(text).size(), text.size());
    EXPECT_EQ(AnsiToWide(WideToAnsi(text)), text);
}

TEST(VariantArrays, ElementsOfTheWrongShapeOrTypeAreRefusedNotMisread) {
    svcgate::unique_safearray matrix = svcgate::CreateVariantMatrix(2, 2);
    EXPECT_THROW(svcgate::GetElement(matrix.get(), 0), svcgate::Exception);
    EXPECT_NO_THROW(svcgate::GetElement(matrix.get(), 1, 1));
    SAFEARRAYBOUND bound{2, 0};
    svcgate::unique_safearray texts(SafeArrayCreate(VT_BSTR, 1, &bound));
    EXPECT_THROW(svcgate::GetElement(texts.get(), 0), svcgate::Exception);
    EXPECT_THROW(svcgate::PutElement(texts.get(), 0, svcgate::MakeVariant(1).get()),
                 svcgate::Exception);
    EXPECT_THROW(svcgate::GetElement(nullptr, 0), svcgate::Exception);
}
