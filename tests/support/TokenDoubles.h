#pragma once
// Sets up the emulated token and the smart-card service stand-in of tools/, and
// checks a signature without the token.

#include <windows.h>

#include <string>
#include <vector>

namespace svcgate::test {

// Registers etoken-csp.dll, built beside this program, as the vendor's provider.
void RegisterEmulatedToken();
// The reader the emulated token sits in and its PIN.
void SetToken(const std::wstring& reader, const std::wstring& pin);

struct ReaderSetting {
    std::wstring name;
    // "card type|provider", or empty for a reader without a card.
    std::wstring card;
};
// The readers the smart-card service reports, in the order of their names.
void SetReaders(const std::vector<ReaderSetting>& readers);

// Whether the platform's own RSA provider, given the exported SubjectPublicKeyInfo,
// accepts the signature (in the token's big-endian order) of the message.
bool VerifiedByPlatform(const std::vector<BYTE>& keyInfo, const std::string& message,
                        std::vector<BYTE> signature);

} // namespace svcgate::test
