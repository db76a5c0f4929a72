#pragma once
// How the gateway client reads numbers and flags out of the gateway's answers,
// and the server time-out out of the host's setting.

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <optional>
#include <string>

namespace svcgate {

// A whole decimal text as a 32-bit integer; none for anything else.
std::optional<std::int32_t> DecimalCode(const std::wstring& text);
// "True" or "False" in any letter case, or a number that is true when not zero;
// any other text is false.
bool FlagOf(const std::wstring& text);

// The milliseconds the client waits for an answer, from the setting
// "SrvResponseTimeout" as the host gave it: the default for 0, a negative value
// or one that is not a number, and never more than ten minutes.
constexpr std::uint32_t DefaultResponseTimeoutMs = 10000;
constexpr std::uint32_t MaxResponseTimeoutMs = 10 * 60 * 1000;
std::uint32_t UsableResponseTimeout(const VARIANT& setting);

} // namespace svcgate
