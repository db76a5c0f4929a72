#pragma once
// The host's calls (clients/HostCalls.h), with an equipment method's call that
// Invoke refuses reported as a failure of the test.

#include "clients/HostCalls.h"

namespace svcgate::test {

// A public equipment method: InData by value, OutData by reference, a 16-bit
// time-out of 0 as a script literal is; returns the call's Boolean result.
bool CallPublic(IDispatch* object, const std::wstring& name, const VARIANT& InData,
                unique_variant& OutData);

} // namespace svcgate::test
