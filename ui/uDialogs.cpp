#include "ui/uDialogs.h"

#include "ui/uSettingsTexts.h"

namespace svcgate {

void ShowErrorBox(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), SettingsTexts::ErrorCaption, MB_OK | MB_ICONERROR);
}

void ShowInformationBox(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), SettingsTexts::InformationCaption, MB_OK | MB_ICONINFORMATION);
}

TWaitCursor::TWaitCursor() : FPrevious(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}

TWaitCursor::~TWaitCursor() {
    SetCursor(FPrevious);
}

} // namespace svcgate
