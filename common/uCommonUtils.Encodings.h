#pragma once
// The encodings of the request envelope: Base64 for the signature's login and
// MD5 for the password's digest.

#include <string>
#include <string_view>

namespace svcgate {

// Four Base64 characters for one to three bytes, padded with '='.
std::wstring Base64EncodeGroup(std::string_view group);
std::wstring Base64Encode(const std::string& bytes);
// 32 upper-case hexadecimal digits; characters outside ASCII are hashed as '?'.
std::wstring MD5HexUpper(std::wstring_view text);

} // namespace svcgate
