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

TEST(Text, Utf8RoundTripKeepsCharactersOutsideTheCodePage) {
    const std::wstring text = L"\u041a\u043b\u044e\u0447 \u20ac \u4e2d";
    EXPECT_EQ(WideToUtf8(text).size(), 16u);
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
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

struct BooleanText {
    VARIANT_BOOL value;
    const wchar_t* text;
};

class BooleanAsText : public testing::TestWithParam<BooleanText> {};

// The text must read back as a setting value, which knows only these two words.
// VBScript hands its variables as references to a variant.
TEST_P(BooleanAsText, IsTrueOrFalseHoweverTheHostHandsIt) {
    svcgate::unique_variant plain;
    V_VT(plain.addressof()) = VT_BOOL;
    V_BOOL(plain.addressof()) = GetParam().value;
    const svcgate::unique_variant reference =
        svcgate::MakeReference(VT_BOOL, &V_BOOL(plain.addressof()));
    const svcgate::unique_variant variantReference =
        svcgate::MakeReference(VT_VARIANT, plain.addressof());
    EXPECT_EQ(svcgate::VariantToText(plain.get()), GetParam().text);
    EXPECT_EQ(svcgate::VariantToText(reference.get()), GetParam().text);
    EXPECT_EQ(svcgate::VariantToText(variantReference.get()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, BooleanAsText,
                         testing::Values(BooleanText{VARIANT_TRUE, L"True"},
                                         BooleanText{VARIANT_FALSE, L"False"},
                                         BooleanText{1, L"True"}));
