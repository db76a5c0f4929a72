#pragma once
// Keeps the gateway password out of the settings in plain text. A light
// scrambling, not encryption: it only hides the value from a casual reader.

#include <string>

namespace svcgate {

// Scrambles 8-bit text; with asHex the bytes come back as upper-case hexadecimal digits.
std::string ScrambleValue(const std::string& value, bool asHex);
// Undoes ScrambleValue; with fromHex the value is read as hexadecimal digits first.
std::string UnscrambleValue(const std::string& value, bool fromHex);

} // namespace svcgate
