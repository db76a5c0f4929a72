#include "common/uCommonUtils.Money.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "common/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace svcgate {

namespace {

std::wstring LocaleDecimalSeparator(LCID locale) {
    wchar_t separator[8] = {};
    CheckWin32(GetLocaleInfoW(locale, LOCALE_SDECIMAL, separator, ARRAYSIZE(separator)) != 0);
    return separator;
}

bool IsDigits(std::wstring_view text, size_t most) {
    return !text.empty() && text.size() <= most &&
           std::ranges::all_of(text, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// A catalogue of 10,000 providers holds some 30,000 amounts, which the platform's
// parser took 50 ms to read under Wine. Nearly all are of the form
// -?d{1,14}([.,]d{1,4})?, whose value is beyond doubt; anything else goes to it.
std::optional<Currency> PlainAmount(std::wstring_view text) {
    const bool negative = text.starts_with(L'-');
    text.remove_prefix(negative ? 1 : 0);
    const size_t point = std::min(text.find_first_of(L".,"), text.size());
    const std::wstring_view whole = text.substr(0, point);
    const std::wstring_view fraction = point < text.size() ? text.substr(point + 1) : L"0";
    if (!IsDigits(whole, 14) || !IsDigits(fraction, 4))
        return std::nullopt;
    Currency units = 0;
    for (const wchar_t c : whole)
        units = units * 10 + (c - L'0');
    for (size_t i = 0; i < 4; ++i)
        units = units * 10 + (i < fraction.size() ? fraction[i] - L'0' : 0);
    return negative ? -units : units;
}

HRESULT ParseAmount(std::wstring_view text, LCID locale, Currency& value) {
    const std::wstring_view trimmed = Trim(text);
    value = 0;
    if (trimmed.empty())
        return S_OK;
    if (const std::optional<Currency> plain = PlainAmount(trimmed)) {
        value = *plain;
        return S_OK;
    }
    const std::wstring separator = LocaleDecimalSeparator(locale);
    const std::wstring number =
        ReplaceAll(ReplaceAll(std::wstring(trimmed), L".", separator), L",", separator);
    CY amount{};
    const HRESULT hr = VarCyFromStr(unique_bstr(number).get(), locale, 0, &amount);
    value = amount.int64;
    return hr;
}

// digits × 10^power as an integer, halves to the even neighbour.
std::optional<Currency> ScaleHalfEven(std::int64_t digits, int power) {
    for (; power > 0; --power) {
        if (digits > std::numeric_limits<std::int64_t>::max() / 10)
            return std::nullopt;
        digits *= 10;
    }
    // Fifteen digits stay below half of 10^16.
    if (power < -15)
        return 0;
    std::int64_t divisor = 1;
    for (; power < 0; ++power)
        divisor *= 10;
    const std::int64_t quotient = digits / divisor;
    const std::int64_t twice = 2 * (digits % divisor);
    return Currency{quotient + (twice > divisor || (twice == divisor && quotient % 2 != 0))};
}

} // namespace

Currency TextToCurrency(std::wstring_view text, LCID locale) {
    Currency value = 0;
    CheckHResult(ParseAmount(text, locale, value));
    return value;
}

std::optional<Currency> TryTextToCurrency(std::wstring_view text, LCID locale) {
    Currency value = 0;
    const HRESULT hr = ParseAmount(text, locale, value);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW)
        return std::nullopt;
    CheckHResult(hr);
    return value;
}

std::wstring CurrencyToText(Currency value, LCID locale) {
    CY amount{};
    amount.int64 = value;
    unique_bstr text;
    CheckHResult(VarBstrFromCy(amount, locale, 0, text.put()));
    return ReplaceAll(text.str(), L",", L".");
}

// A host amount is a decimal carried in a double, so it is rounded as the
// decimal it was written as: the 15 significant digits a double keeps of any
// decimal, then halves to the even ten-thousandth. value * 10000 in doubles
// would turn 0.00015 into 1.4999999999999998 and round it down.
std::optional<Currency> ToMoney(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // d.dddddddddddddde±x, whatever the locale.
    char text[32];
    const char* end = std::to_chars(std::begin(text), std::end(text), std::fabs(value),
                                    std::chars_format::scientific, 14)
                          .ptr;
    const char* exponent = std::find(static_cast<const char*>(text), end, 'e');
    std::int64_t digits = 0;
    for (const char* digit = text; digit != exponent; ++digit)
        if (*digit != '.')
            digits = digits * 10 + (*digit - '0');
    int power = 0;
    std::from_chars(exponent + (exponent[1] == '+' ? 2 : 1), end, power);
    // The digits hold 14 places after the point, money wants 4.
    const std::optional<Currency> money = ScaleHalfEven(digits, power - 14 + 4);
    if (money && value < 0)
        return -*money;
    return money;
}

} // namespace svcgate
