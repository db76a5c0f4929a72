#pragma once
// Texts of the gateway's result codes and of payment statuses, as the driver
// shows them to the cashier when the gateway's own table has none.

#include "catalogue/uDeviceTypes.h"

#include <cstdint>
#include <string>

namespace svcgate {

// The gateway's codes the client acts upon.
namespace GatewayCode {
constexpr std::int32_t Ok = 0;
constexpr std::int32_t NoSuchPayment = 210;
constexpr std::int32_t DuplicatePayment = 215;
} // namespace GatewayCode

// The built-in text of a gateway result code; a generic text with the number
// for a code it does not know.
std::wstring GatewayResultText(std::int32_t Code);
// Whether a registration answered with this code was definitely not taken.
bool RefusesPayment(std::int32_t Code);
// The text of a status; a value outside the enumeration leaves `Text` as it was.
void PaymentStatusText(TPaymentStatus Status, std::wstring& Text);

} // namespace svcgate
