#include "gateway/GatewayValues.h"

#include "common/Text.h"

#include <charconv>

namespace svcgate {

template <typename Integer> std::optional<Integer> DecimalNumber(const std::wstring& text) {
    const std::string digits = WideToUtf8(text);
    Integer value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}
template std::optional<std::int32_t> DecimalNumber(const std::wstring&);
template std::optional<std::int64_t> DecimalNumber(const std::wstring&);

bool FlagOf(const std::wstring& text) {
    if (const std::optional<std::int32_t> number = DecimalCode(text))
        return *number != 0;
    return SameText(text, L"True");
}

// 0 would fail every exchange at once and -1, read unsigned, wait for weeks.
} // namespace svcgate
