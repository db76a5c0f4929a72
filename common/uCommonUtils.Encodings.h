#pragma once
// Base64, and the MD5 digest in hexadecimal: the encodings of the request
// envelope (the signature's login, the password's digest) and of the token's keys.

#include <string>
#include <string_view>

namespace svcgate {

// Four Base64 characters for one to three bytes, padded with '='.
std::wstring Base64EncodeGroup(std::string_view group);
std::wstring Base64Encode(const std::string& bytes);
// 32 upper-case hexadecimal digits; characters outside ASCII are hashed as '?'.
std::wstring MD5HexUpper(std::wstring_view text);

} // namespace svcgate
