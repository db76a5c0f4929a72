#pragma once
// Late-bound calls on an automation object: a method resolved by name, then
// called with positional arguments.

#include "common/Owners.h"

#include <string_view>
#include <vector>

namespace svcgate {

// What an IDispatch::Invoke reported, its exception texts owned.
struct InvokeOutcome {
    HRESULT hr = S_OK;
    unique_variant result;
    SCODE scode = 0;
    unique_bstr description;
    unique_bstr source;
};

// Invokes `id` with `arguments` in the callee's order (first argument first),
// as a script host passes them: last argument first in the parameter block.
InvokeOutcome InvokeDispId(IDispatch* object, DISPID id, WORD flags,
                           std::vector<unique_variant> arguments);

// Calls `name` with `arguments` in the callee's order (first argument first);
// by-reference arguments point at the caller's storage and receive what the
// callee wrote. A failure of the call raises an Exception with the callee's
// own description when it gave one.
unique_variant InvokeMethod(IDispatch* object, std::wstring_view name,
                            std::vector<unique_variant> arguments);

// Arguments built in one expression, first argument first.
template <class... Values> std::vector<unique_variant> Args(Values&&... values) {
    std::vector<unique_variant> result;
    (result.push_back(std::move(values)), ...);
    return result;
}

} // namespace svcgate
