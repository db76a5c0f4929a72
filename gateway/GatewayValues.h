#pragma once
// How the gateway client reads numbers and flags out of the gateway's answers.

#include <cstdint>
#include <optional>
#include <string>

namespace svcgate {

// A whole decimal text as a 32-bit integer; none for anything else.
std::optional<std::int32_t> DecimalCode(const std::wstring& text);
// "True" or "False" in any letter case, or a number that is true when not zero;
// any other text is false.
bool FlagOf(const std::wstring& text);

} // namespace svcgate
