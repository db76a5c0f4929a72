#pragma once
// The module this code is linked into: the driver's DLL, or a test program.

#include <windows.h>

#include <string>

namespace svcgate {

HMODULE ThisModule();
// The full path of this module's file.
std::wstring ThisModulePath();
// A text of this module's string table; empty when there is none with that id.
std::wstring LoadModuleString(UINT id);

} // namespace svcgate
