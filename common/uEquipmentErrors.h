#pragma once
// Equipment result codes: 0 is success, every other code names a failure with a
// fixed Russian description that travels to the host.

#include <cstdint>
#include <string>
#include <string_view>

namespace svcgate {

// The codes every floor names, the gateway client's among them.
namespace ResultCode {

constexpr std::int32_t Success = 0;
constexpr std::int32_t DeviceNotEnabled = 70;
constexpr std::int32_t CancelledByUser = 201;
constexpr std::int32_t UnknownError = 1001;
constexpr std::int32_t NotSupported = 1003;
constexpr std::int32_t BadInput = 1004;
constexpr std::int32_t NoAnswer = 1007;
constexpr std::int32_t ProtocolError = 1014;
constexpr std::int32_t BadDeviceParameters = 1020;
constexpr std::int32_t ServiceNotFound = 17001;

} // namespace ResultCode

// The description of a result code: the driver's own text when there is one
// (never for success), else the table's, else the fallback, else 1001's.
std::wstring EquipmentResultText(int32_t code, std::wstring_view driverText = {},
                                 std::wstring_view fallbackText = {});

// What a host or a cashier is told of the error being handled (call it only in
// a catch block): the message of the system's own Exception; for any other
// error, whose text is a library's English one at best, 1001's description.
std::wstring CaughtErrorDescription();

} // namespace svcgate
