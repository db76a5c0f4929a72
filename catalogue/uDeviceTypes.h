#pragma once
// The types the catalogue and the gateway client share.

#include <cstdint>

namespace svcgate {

// A payment's state at the gateway; the gateway sends the ordinal.
enum TPaymentStatus : std::uint8_t { psError, psExecuting, psCompleted, psAutorized };

} // namespace svcgate
