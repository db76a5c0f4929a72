#pragma once
// Keeps the gateway password out of the settings in plain text. A light
// scrambling, not encryption: it only hides the value from a casual reader.

#include <string>
#include <string_view>

namespace svcgate {

// Scrambles 8-bit text; with asHex the bytes come back as upper-case hexadecimal digits.
std::string ScrambleValue(const std::string& value, bool asHex);
// Undoes ScrambleValue; with fromHex the value is read as hexadecimal digits first.
std::string UnscrambleValue(const std::string& value, bool fromHex);

// A secret setting as the settings table holds it: its ANSI bytes scrambled into
// hexadecimal digits; and back to the plain text.
std::wstring ScrambledSetting(std::wstring_view plain);
std::wstring UnscrambledSetting(std::wstring_view stored);

} // namespace svcgate
