#include "common/uCommonUtils.Encodings.h"

#include "common/Md5.h"
#include "common/Text.h"

#include <algorithm>
#include <cstdint>

namespace svcgate {

namespace {

constexpr const char* Base64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

std::wstring Base64EncodeGroup(std::string_view group) {
    unsigned value = 0;
    for (size_t position = 0; position < group.size(); ++position)
        value += static_cast<unsigned char>(group[position]) << (8 * (2 - position));
    std::wstring result;
    for (int shift = 18; shift >= 0; shift -= 6)
        result += static_cast<wchar_t>(Base64Alphabet[(value >> shift) & 0x3F]);
    result.resize(group.size() + 1);
    result.append(3 - group.size(), L'=');
    return result;
}

std::wstring Base64Encode(const std::string& bytes) {
    std::wstring result;
    result.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t at = 0; at < bytes.size(); at += 3)
        result += Base64EncodeGroup(std::string_view(bytes).substr(at, 3));
    return result;
}

std::wstring MD5HexUpper(std::wstring_view text) {
    std::string bytes(text.size(), '?');
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](wchar_t c) { return c < 0x80 ? static_cast<char>(c) : '?'; });
    std::wstring result;
    for (const std::uint8_t byte : Md5Digest(bytes))
        result += FormatText(L"%02X", byte);
    return result;
}

} // namespace svcgate
