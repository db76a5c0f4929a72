#pragma once
// Calls an automation object the way an accounting host's script does: names
// resolved through GetIDsOfNames, arguments passed last first, host variables by
// reference, an equipment method's time-out a 16-bit literal 0, and a failed
// call's [code, description] read from OutData.

#include "common/Dispatch.h"
#include "common/Owners.h"

#include <cstdint>
#include <string>
#include <vector>

namespace svcgate::test {

struct CallResult {
    HRESULT hr = S_OK;
    unique_variant result;
    SCODE scode = 0;
    std::wstring description;
    std::wstring source;
};

// A VT_BYREF|VT_VARIANT reference to a host variable.
unique_variant Ref(unique_variant& variable);
// A 16-bit integer, as a script host passes a literal such as 0.
unique_variant I2(short value);
// An equipment method's arguments: InData by value, OutData by reference and a
// time-out of 0.
std::vector<unique_variant> EquipmentArguments(unique_variant InData, unique_variant& OutData);

// DISPID_UNKNOWN for a name the object does not know.
DISPID DispIdOf(IDispatch* object, const std::wstring& name);
// `arguments` are in the host's order; they are consumed by the call.
CallResult Call(IDispatch* object, DISPID dispId, std::vector<unique_variant> arguments,
                WORD flags = DISPATCH_METHOD);
CallResult Call(IDispatch* object, const std::wstring& name, std::vector<unique_variant> arguments,
                WORD flags = DISPATCH_METHOD);

// Whether an equipment method answered true.
bool AnsweredTrue(const unique_variant& result);
// The code and the description of the [code, description] in OutData of a call
// that answered false: -1 and an empty text when OutData holds no such pair.
std::int32_t ErrorCode(const unique_variant& OutData);
std::wstring ErrorText(const unique_variant& OutData);
// An element of OutData as text; empty when OutData holds none there.
std::wstring OutElement(const unique_variant& OutData, long index);

} // namespace svcgate::test
