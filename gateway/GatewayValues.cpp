#include "gateway/GatewayValues.h"

#include "common/Text.h"
#include "common/Variants.h"

#include <charconv>
#include <cmath>

namespace svcgate {

std::optional<std::int32_t> DecimalCode(const std::wstring& text) {
    const std::string digits = WideToUtf8(text);
    std::int32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return code;
}

bool FlagOf(const std::wstring& text) {
    if (const std::optional<std::int32_t> number = DecimalCode(text))
        return *number != 0;
    return SameText(text, L"True");
}

// 0 would fail every exchange at once and -1, read unsigned, wait for weeks.
std::uint32_t UsableResponseTimeout(const VARIANT& setting) {
    const std::optional<unique_variant> number = TryConvertVariant(setting, VT_R8);
    const double ms = number ? std::round(V_R8(&number->get())) : 0;
    if (!(ms > 0))
        return DefaultResponseTimeoutMs;
    return ms < MaxResponseTimeoutMs ? static_cast<std::uint32_t>(ms) : MaxResponseTimeoutMs;
}

} // namespace svcgate
