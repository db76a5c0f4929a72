#pragma once
// Money amounts: the one type every floor holds them in, their text on the wire,
// and the host's numbers turned into them.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace svcgate {

// A signed 64-bit count of ten-thousandths: the shared money amount.
using Currency = std::int64_t;

// Reads either decimal mark; raises an Exception for a text that is not a number.
Currency TextToCurrency(std::wstring_view text, LCID locale = LOCALE_USER_DEFAULT);
// The same for a text that may be no amount at all: none then.
std::optional<Currency> TryTextToCurrency(std::wstring_view text,
                                          LCID locale = LOCALE_USER_DEFAULT);
// The shortest text of the amount with a decimal point, as the gateway writes it.
std::wstring CurrencyToText(Currency value, LCID locale = LOCALE_USER_DEFAULT);

// A host amount as money, halves to the even ten-thousandth; none for a value
// that is no finite amount of money.
std::optional<Currency> ToMoney(double value);

} // namespace svcgate
