#pragma once
// The text form of values in the debug log.

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace svcgate {

std::wstring LogText(const VARIANT& value);
std::wstring LogText(SAFEARRAY* array);

} // namespace svcgate
