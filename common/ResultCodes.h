#pragma once
// The equipment result codes every floor names, the gateway client's among
// them. Their descriptions belong to the equipment driver base, which answers
// for them through the frame's description hook.

#include <cstdint>

namespace svcgate::ResultCode {

constexpr std::int32_t Success = 0;
constexpr std::int32_t DeviceNotEnabled = 70;
constexpr std::int32_t CancelledByUser = 201;
constexpr std::int32_t UnknownError = 1001;
constexpr std::int32_t NotSupported = 1003;
constexpr std::int32_t BadInput = 1004;
constexpr std::int32_t NoAnswer = 1007;
constexpr std::int32_t ProtocolError = 1014;
constexpr std::int32_t ServiceNotFound = 17001;

} // namespace svcgate::ResultCode
