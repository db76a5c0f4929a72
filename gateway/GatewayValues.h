#pragma once
// How the gateway client reads numbers and flags out of the gateway's answers,
// and how long it waits for them.

#include <cstdint>
#include <optional>
#include <string>

namespace svcgate {

// A whole decimal text as an integer of the type asked for (32 or 64 bits);
// none for anything else, or a number out of its range.
template <typename Integer> std::optional<Integer> DecimalNumber(const std::wstring& text);
inline std::optional<std::int32_t> DecimalCode(const std::wstring& text) {
    return DecimalNumber<std::int32_t>(text);
}
// "True" or "False" in any letter case, or a number that is true when not zero;
// any other text is false.
bool FlagOf(const std::wstring& text);

// The milliseconds the client waits for an answer unless told otherwise, and
// the longest wait it is given.
constexpr std::uint32_t DefaultResponseTimeoutMs = 10000;
constexpr std::uint32_t MaxResponseTimeoutMs = 10 * 60 * 1000;

} // namespace svcgate
