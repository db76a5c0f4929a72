#pragma once
// The platform's smart-card service, reached by name so that a machine without
// it still runs the driver: nothing but the reader discovery of the token signer
// uses it.

#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

// The readers, without surrounding blanks and in the service's order, that hold a
// card whose type belongs to the cryptographic provider `providerName`. Empty when
// the service is absent or refuses, and when no reader holds such a card.
std::vector<std::wstring> ReadersWithCardsOf(std::wstring_view providerName);

} // namespace svcgate
