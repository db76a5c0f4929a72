#include "common/uCommonUtils.Money.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

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

} // namespace
