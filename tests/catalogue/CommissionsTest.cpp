#include "catalogue/uDeviceTypes.h"

#include "Nodes.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace svcgate;

namespace {

constexpr Currency Money(double value) {
    return static_cast<Currency>(value * 10000 + (value < 0 ? -0.5 : 0.5));
}

constexpr double Hour(int hours, int minutes = 0, int seconds = 0) {
    return (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

struct RuleCase {
    const char* name;
    TComissionRule rule;
    Currency amount;
    double now;
    bool applies;
    Currency sum;
};

void PrintTo(const RuleCase& rule, std::ostream* out) {
    *out << rule.name;
}

class CommissionRule : public testing::TestWithParam<RuleCase> {};

TEST_P(CommissionRule, AppliesAndComputes) {
    Currency sum = -1;
    EXPECT_EQ(ApplyComissionRule(GetParam().rule, GetParam().amount, GetParam().now, sum),
              GetParam().applies);
    EXPECT_EQ(sum, GetParam().sum);
}

std::uint16_t ControlWord() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

// A host of another compiler calls at 53-bit precision, and may round down; the
// host keeps its control word.
TEST_P(CommissionRule, ComputesTheSameForAHostOfAnotherPrecision) {
    constexpr std::uint16_t Precision53RoundingDown = 0x067F;
    Currency sum = -1;
    bool applies = false;
    std::uint16_t after = 0;
    std::thread([&] {
        asm volatile("fldcw %0" : : "m"(Precision53RoundingDown));
        applies = ApplyComissionRule(GetParam().rule, GetParam().amount, GetParam().now, sum);
        after = ControlWord();
    }).join();
    EXPECT_EQ(applies, GetParam().applies);
    EXPECT_EQ(sum, GetParam().sum);
    EXPECT_EQ(after, Precision53RoundingDown);
}

constexpr TComissionRule Percent(double percent) {
    return {.FComPercent = Money(percent)};
}
constexpr TComissionRule Bounded{
    .FComFix = Money(5), .FComPercent = Money(1), .FComMin = Money(10), .FComMax = Money(100)};
constexpr TComissionRule Amounts{
    .FComPercent = Money(1), .FToAmount = Money(500), .FFromAmount = Money(100)};
constexpr TComissionRule FromAmountOnly{.FComFix = Money(1), .FFromAmount = Money(1000)};
constexpr TComissionRule Daytime{.FComFix = Money(1), .FFromHour = Hour(9), .FToHour = Hour(18)};
constexpr TComissionRule Overnight{.FComFix = Money(1), .FFromHour = Hour(22), .FToHour = Hour(6)};
constexpr TComissionRule FromHourOnly{.FComFix = Money(1), .FFromHour = Hour(9)};
constexpr TComissionRule FixedOnly{.FComFix = Money(5), .FComPercent = Money(1)};

INSTANTIATE_TEST_SUITE_P(
    Rules, CommissionRule,
    testing::Values(RuleCase{"percent", Percent(2.5), Money(1000), 0, true, Money(25)},
                    RuleCase{"raised to min", Bounded, Money(500), 0, true, Money(15)},
                    RuleCase{"cut to max", Bounded, Money(20000), 0, true, Money(105)},
                    RuleCase{"within bounds", Bounded, Money(3000), 0, true, Money(35)},
                    RuleCase{"max 0 is none", Percent(10), Money(1000000), 0, true, Money(100000)},
                    RuleCase{"from amount", Amounts, Money(100), 0, true, Money(1)},
                    RuleCase{"to amount", Amounts, Money(500), 0, true, Money(5)},
                    RuleCase{"below range", Amounts, Money(99.9999), 0, false, 0},
                    RuleCase{"above range", Amounts, Money(500.0001), 0, false, 0},
                    RuleCase{"no range", FromAmountOnly, Money(5), 0, true, Money(1)},
                    RuleCase{"from hour", Daytime, Money(1), Hour(9), true, Money(1)},
                    RuleCase{"to hour", Daytime, Money(1), Hour(18), true, Money(1)},
                    RuleCase{"after hours", Daytime, Money(1), Hour(18, 0, 1), false, 0},
                    RuleCase{"before hours", Daytime, Money(1), Hour(8, 59, 59), false, 0},
                    RuleCase{"late night", Overnight, Money(1), Hour(23), false, 0},
                    RuleCase{"early morning", Overnight, Money(1), Hour(3), false, 0},
                    RuleCase{"no time range", FromHourOnly, Money(1), Hour(3), true, Money(1)},
                    RuleCase{"half up", Percent(1.5), Money(333.33), 0, true, Money(5)},
                    RuleCase{"half down", Percent(50), Money(1.0001), 0, true, Money(0.5)},
                    RuleCase{"exact half to even", Percent(50), Money(0.0001), 0, true, 0},
                    RuleCase{"half below", Percent(2.5), Money(0.006), 0, true, Money(0.0001)},
                    RuleCase{"tenth below", Percent(10), Money(0.0015), 0, true, Money(0.0001)},
                    RuleCase{"negative", FixedOnly, Money(-100), 0, true, Money(5)}));

std::vector<XmlNode> Profiles(const std::wstring& xml) {
    return test::Nodes(xml, L"//profile");
}

TEST(CommissionProfiles, ReplaceAllWithTheirRulesSortedByOrder) {
    TComissinProfiles profiles;
    profiles.LoadFromXML(Profiles(L"<profile id='old'/>"));
    profiles.LoadFromXML(Profiles(
        L"<profile id='A'><profile-data order='2'/><profile-data order='x' from-hour='late'/>"
        L"<profile-data order='1' com-percent='1,5' from-hour='09:00' to-hour='18:00:30'/>"
        L"<other><profile-data order='9'/></other></profile><profile/><profile id='a'/>"));
    ASSERT_EQ(profiles.Count(), 2u);
    EXPECT_EQ(profiles.GetItemByProfileID(L"old"), nullptr);
    EXPECT_EQ(profiles.GetItemByProfileID(L"a"), &profiles.GetItem(1));
    const std::vector<TComissionRule>& rules = profiles.GetItem(0).ComissionRules();
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(std::tuple(rules[0].FOrder, rules[1].FOrder, rules[2].FOrder), std::tuple(0, 1, 2));
    EXPECT_EQ(rules[0].FFromHour, 0);
    EXPECT_EQ(rules[1].FComPercent, Money(1.5));
    EXPECT_DOUBLE_EQ(rules[1].FFromHour, Hour(9));
    EXPECT_DOUBLE_EQ(rules[1].FToHour, Hour(18, 0, 30));
}

TEST(CommissionProfiles, ANonNumericAmountIsNamedAndReadAsZero) {
    TComissinProfiles profiles;
    profiles.LoadFromXML(Profiles(L"<profile id='A'/><profile id='B'>"
                                  L"<profile-data com-fix='5 rub'/></profile>"));
    EXPECT_EQ(profiles.GetItem(1).ComissionRules().at(0).FComFix, 0);
    EXPECT_EQ(profiles.TakeUnreadAmount(), L"5 rub");
}

TEST(CommissionProfiles, ReadBackFromTheCacheAsWritten) {
    TProviders providers;
    providers.ComissinProfiles().LoadFromXML(
        Profiles(L"<profile id='P'><profile-data order='3' com-fix='0,0001' com-percent='2.5' "
                 L"from-amount='100' to-amount='99999.9999' com-min='1' com-max='250' "
                 L"from-hour='0:00:01' to-hour='23:59:59'/><profile-data order='-1'/></profile>"
                 L"<profile id='empty'/>"));
    const std::wstring written = XmlMarkup(providers.SaveToXML().DocumentElement());
    // Hours in the Russian locale's long time format.
    EXPECT_EQ(written,
              L"<providers><profile id=\"P\"><profile-data order=\"-1\" com-fix=\"0\" "
              L"com-percent=\"0\" from-amount=\"0\" to-amount=\"0\" com-min=\"0\" com-max=\"0\" "
              L"from-hour=\"00:00:00\" to-hour=\"00:00:00\"/><profile-data order=\"3\" "
              L"com-fix=\"0.0001\" com-percent=\"2.5\" from-amount=\"100\" "
              L"to-amount=\"99999.9999\" com-min=\"1\" com-max=\"250\" from-hour=\"00:00:01\" "
              L"to-hour=\"23:59:59\"/></profile><profile id=\"empty\"/></providers>");
    providers.ComissinProfiles().LoadFromXML(Profiles(written));
    EXPECT_EQ(XmlMarkup(providers.SaveToXML().DocumentElement()), written);
    EXPECT_DOUBLE_EQ(providers.ComissinProfiles().GetItem(0).ComissionRules().at(1).FToHour,
                     Hour(23, 59, 59));
}

} // namespace
