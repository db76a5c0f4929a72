#include "ui/uHtmlHelp.h"

#include "common/Owners.h"

namespace svcgate {

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// Loaded once and kept: a popup outlives the dialog that opened it.
HtmlHelpFunction HtmlHelpEntry() {
    static const unique_hmodule library(LoadLibraryW(L"hhctrl.ocx"));
    static const auto entry = library ? reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(
                                            GetProcAddress(library.get(), "HtmlHelpW")))
                                      : nullptr;
    return entry;
}

} // namespace

HWND CallHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
    const HtmlHelpFunction entry = HtmlHelpEntry();
    return entry ? entry(caller, file, command, data) : nullptr;
}

} // namespace svcgate
