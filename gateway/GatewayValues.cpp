#include "gateway/GatewayValues.h"

#include "common/Text.h"

#include <charconv>

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

} // namespace svcgate
