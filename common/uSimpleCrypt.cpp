#include "common/uSimpleCrypt.h"

#include "common/Text.h"

#include <cstdint>
#include <optional>

namespace svcgate {

namespace {

constexpr std::uint32_t StartKey = 897;
constexpr std::uint32_t Multiplier = 38261;
constexpr std::uint32_t Increment = 19457;

unsigned char KeyByte(std::uint32_t key) {
    return static_cast<unsigned char>(key >> 8);
}

// The key always advances by the scrambled byte, so both directions stay in step.
std::uint32_t NextKey(std::uint32_t key, unsigned char scrambled) {
    return (scrambled + key) * Multiplier + Increment;
}

std::string ToHex(const std::string& bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(bytes.size() * 2);
    for (const unsigned char byte : bytes) {
        result += Digits[byte >> 4];
        result += Digits[byte & 0x0F];
    }
    return result;
}

std::optional<unsigned> HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// An odd last digit is ignored. A pair that is not two hexadecimal digits was not
// written by us: decoding stops there and only the pairs before it count.
std::string FromHex(const std::string& hex) {
    std::string result;
    for (size_t at = 0; at + 1 < hex.size(); at += 2) {
        const auto high = HexDigit(hex[at]);
        const auto low = HexDigit(hex[at + 1]);
        if (!high || !low)
            break;
        result += static_cast<char>(*high << 4 | *low);
    }
    return result;
}

} // namespace

std::string ScrambleValue(const std::string& value, bool asHex) {
    std::uint32_t key = StartKey;
    std::string result;
    result.reserve(value.size());
    for (const unsigned char plain : value) {
        const unsigned char scrambled = plain ^ KeyByte(key);
        result += static_cast<char>(scrambled);
        key = NextKey(key, scrambled);
    }
    return asHex ? ToHex(result) : result;
}

std::string UnscrambleValue(const std::string& value, bool fromHex) {
    const std::string bytes = fromHex ? FromHex(value) : value;
    std::uint32_t key = StartKey;
    std::string result;
    result.reserve(bytes.size());
    for (const unsigned char scrambled : bytes) {
        result += static_cast<char>(scrambled ^ KeyByte(key));
        key = NextKey(key, scrambled);
    }
    return result;
}

std::wstring ScrambledSetting(std::wstring_view plain) {
    return AnsiToWide(ScrambleValue(WideToAnsi(plain), true));
}

std::wstring UnscrambledSetting(std::wstring_view stored) {
    return AnsiToWide(UnscrambleValue(WideToAnsi(stored), true));
}

} // namespace svcgate
