#pragma once
// Calls an automation object the way a script host does: names resolved through
// GetIDsOfNames, arguments passed last first, host variables by reference.

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
// The code and the description of the [code, description] of a failed call.
std::int32_t ErrorCode(const unique_variant& outData);
std::wstring ErrorText(const unique_variant& outData);

DISPID DispIdOf(IDispatch* object, const std::wstring& name);
// `arguments` are in the host's order; they are consumed by the call.
CallResult Call(IDispatch* object, DISPID dispId, std::vector<unique_variant> arguments,
                WORD flags = DISPATCH_METHOD);
CallResult Call(IDispatch* object, const std::wstring& name, std::vector<unique_variant> arguments,
                WORD flags = DISPATCH_METHOD);

// A public equipment method: InData by value, OutData by reference, a 16-bit
// time-out of 0 as a script literal is; returns the call's Boolean result.
bool CallPublic(IDispatch* object, const std::wstring& name, const VARIANT& InData,
                unique_variant& OutData);

} // namespace svcgate::test
