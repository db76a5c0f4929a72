#pragma once
// Equipment result codes: 0 is success, every other code names a failure with a
// fixed Russian description that travels to the host.

#include "common/ResultCodes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace svcgate {

// The description of a result code: the driver's own text when there is one
// (never for success), else the table's, else the fallback, else 1001's.
std::wstring EquipmentResultText(int32_t code, std::wstring_view driverText = {},
                                 std::wstring_view fallbackText = {});

} // namespace svcgate
