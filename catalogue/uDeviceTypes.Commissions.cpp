#include "catalogue/uDeviceTypes.h"

#include "catalogue/uCatalogueAttributes.h"
#include "catalogue/uCatalogueTexts.h"
#include "common/Exception.h"
#include "common/Variants.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <optional>

namespace svcgate {

namespace Texts = CatalogueTexts;

namespace {

// A text that is not a whole decimal number of 32 bits is 0.
std::int32_t TextToOrder(const std::wstring& text) {
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text.c_str(), &end, 10);
    return *end == L'\0' && errno == 0 ? static_cast<std::int32_t>(value) : 0;
}

// A time of day in the user's locale format; a text that is none is 0.
double TextToHour(const std::wstring& text) {
    const std::optional<unique_variant> hour = TryConvertVariant(MakeVariant(text).get(), VT_DATE);
    return hour ? V_DATE(&hour->get()) : 0;
}

std::wstring HourToText(double hour) {
    unique_bstr text;
    CheckHResult(VarBstrFromDate(hour, LOCALE_USER_DEFAULT, VAR_TIMEVALUEONLY, text.put()));
    return text.str();
}

TComissionRule ReadRule(const XmlNode& node, std::optional<std::wstring>& unread) {
    TComissionRule rule;
    rule.FOrder = TextToOrder(ReadText(node, Texts::Order));
    rule.FComFix = ReadAmount(node, Texts::ComFix, unread);
    rule.FComPercent = ReadAmount(node, Texts::ComPercent, unread);
    rule.FComMin = ReadAmount(node, Texts::ComMin, unread);
    rule.FComMax = ReadAmount(node, Texts::ComMax, unread);
    rule.FFromAmount = ReadAmount(node, Texts::FromAmount, unread);
    rule.FToAmount = ReadAmount(node, Texts::ToAmount, unread);
    rule.FFromHour = TextToHour(ReadText(node, Texts::FromHour));
    rule.FToHour = TextToHour(ReadText(node, Texts::ToHour));
    return rule;
}

std::vector<std::wstring> RuleValues(const TComissionRule& rule) {
    return {std::to_wstring(rule.FOrder),     CurrencyToText(rule.FComFix),
            CurrencyToText(rule.FComPercent), CurrencyToText(rule.FFromAmount),
            CurrencyToText(rule.FToAmount),   CurrencyToText(rule.FComMin),
            CurrencyToText(rule.FComMax),     HourToText(rule.FFromHour),
            HourToText(rule.FToHour)};
}

// In the order of RuleValues.
const std::vector<std::wstring> RuleAttributes{
    Texts::Order,  Texts::ComFix, Texts::ComPercent, Texts::FromAmount, Texts::ToAmount,
    Texts::ComMin, Texts::ComMax, Texts::FromHour,   Texts::ToHour};

// An automation date keeps its time of day as the fraction's absolute value,
// also before its day 0.
double TimeOfDay(double date) {
    return std::fabs(date - std::trunc(date));
}

// A range across midnight never applies.
bool InTimeRange(const TComissionRule& rule, double now) {
    return rule.FToHour <= 0 ||
           (TimeOfDay(rule.FFromHour) <= now && TimeOfDay(rule.FToHour) >= now);
}

bool InAmountRange(const TComissionRule& rule, Currency amount) {
    return rule.FToAmount <= 0 || (rule.FFromAmount <= amount && rule.FToAmount >= amount);
}

// This order in extended precision, not exact decimals, decides the halves:
// 0.01 × 60 is a shade under 0.6 in x87's 64-bit significand, so 0.006 at 2.5 %
// gives 0.0001 where the exact 0.00015, rounded half to even, would give 0.0002.
// Kept out of line so that none of it moves past the control word's change.
[[gnu::noipa]] Currency ExtendedPercentagePart(Currency amount, Currency percent) {
    static_assert(std::numeric_limits<long double>::digits == 64);
    return static_cast<Currency>(std::nearbyintl(0.01L * amount * percent / 10000));
}

// The x87 unit computes at the precision and rounds in the direction its control
// word says, and that is the host's: a bare process or a host of another compiler
// runs at 53 bits, where 0.006 at 2.5 % gives 0.0002. While this lives the calling
// thread has 64-bit precision and rounding to nearest; then the host's word returns.
class ExtendedPrecision {
public:
    ExtendedPrecision() {
        asm volatile("fnstcw %0" : "=m"(saved_) : : "memory");
        const std::uint16_t pinned = (saved_ & ~RoundingAndPrecision) | Precision64;
        asm volatile("fldcw %0" : : "m"(pinned) : "memory");
    }
    ~ExtendedPrecision() { asm volatile("fldcw %0" : : "m"(saved_) : "memory"); }
    ExtendedPrecision(const ExtendedPrecision&) = delete;
    ExtendedPrecision& operator=(const ExtendedPrecision&) = delete;

private:
    static constexpr std::uint16_t RoundingAndPrecision = 0x0F00;
    // Rounding to nearest is the rounding field's 0.
    static constexpr std::uint16_t Precision64 = 0x0300;
    std::uint16_t saved_ = 0;
};

Currency PercentagePart(Currency amount, Currency percent) {
    const ExtendedPrecision precision;
    return ExtendedPercentagePart(amount, percent);
}

// The upper bound wins over the lower one.
Currency Bounded(const TComissionRule& rule, Currency sum) {
    if (rule.FComMax > 0 && sum > rule.FComMax)
        return rule.FComMax;
    return std::max(sum, rule.FComMin);
}

} // namespace

bool ApplyComissionRule(const TComissionRule& Rule, Currency Amount, double Now, Currency& Sum) {
    Sum = 0;
    if (!InTimeRange(Rule, Now) || !InAmountRange(Rule, Amount))
        return false;
    Sum = Bounded(Rule, PercentagePart(Amount, Rule.FComPercent)) + Rule.FComFix;
    return true;
}

void TComissionProfile::SortRules() {
    std::ranges::stable_sort(FComissionRules, {}, &TComissionRule::FOrder);
}

const TComissionProfile*
TComissinProfiles::GetItemByProfileID(const std::wstring& ProfileID) const {
    const auto found = std::ranges::find(FItems, ProfileID, &TComissionProfile::FProfileID);
    return found == FItems.end() ? nullptr : found->get();
}

void TComissinProfiles::LoadFromXML(const std::vector<XmlNode>& xmlNodes) {
    Clear();
    for (const XmlNode& node : xmlNodes) {
        std::wstring id = ReadText(node, Texts::ID);
        if (id.empty())
            continue;
        TComissionProfile& profile = *FItems.emplace_back(std::make_unique<TComissionProfile>());
        profile.FProfileID = std::move(id);
        for (const XmlNode& data : node.ChildElements(Texts::ProfileData))
            profile.FComissionRules.push_back(ReadRule(data, FUnreadAmount));
        profile.SortRules();
    }
}

void TComissinProfiles::SaveToXML(XmlDocument& xmlDoc, const XmlNode& xmlRootNode) const {
    for (const auto& profile : FItems) {
        const XmlNode element = AppendElementWithAttributes(xmlDoc, xmlRootNode, Texts::Profile,
                                                            {profile->FProfileID}, {Texts::ID});
        for (const TComissionRule& rule : profile->FComissionRules)
            AppendElementWithAttributes(xmlDoc, element, Texts::ProfileData, RuleValues(rule),
                                        RuleAttributes);
    }
}

} // namespace svcgate
