#include "ui/uDialogs.h"

#include "ui/uSettingsTexts.h"

namespace svcgate {

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

int DialogUnitsToPixels(HWND dialog, int units, bool vertical) {
    RECT rect{0, 0, units, units};
    MapDialogRect(dialog, &rect);
    return vertical ? rect.bottom : rect.right;
}

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
