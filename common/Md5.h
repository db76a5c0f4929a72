#pragma once
// The MD5 digest (RFC 1321) of a byte string, computed here: acquiring a
// platform provider for one digest costs more than the gateway exchange it serves.

#include <array>
#include <cstdint>
#include <string_view>

namespace svcgate {

std::array<std::uint8_t, 16> Md5Digest(std::string_view bytes);

} // namespace svcgate
