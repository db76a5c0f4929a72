#pragma once
// HTML Help, reached through hhctrl.ocx loaded at run time, so that the module
// imports nothing beyond the system's own DLLs.

#include <windows.h>

namespace svcgate {

// HtmlHelpW; null when the platform has no HTML Help.
HWND CallHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);

} // namespace svcgate
