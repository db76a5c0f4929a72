// Context help of the settings dialog and its pages: the dialog's help handler
// turns a help request into a text popup, either one of its own texts or a
// topic of the help file's popup table.

#include "ui/ufmCommonSettings.h"

#include "ui/uHtmlHelp.h"
#include "ui/uSettingsTexts.h"

#include <htmlhelp.h>
#include <windowsx.h>

namespace svcgate {

using namespace SettingsTexts;

namespace {

constexpr COLORREF PopupBackground = RGB(0xFF, 0xFF, 0xEE);
constexpr LONG PopupMargin = 5;

// Kept across dialogs, as the help system keeps it.
POINT PopupPosition{};

// The deepest visible window at a screen point, disabled ones included.
HWND DeepestChildAt(HWND parent, POINT screenPoint) {
    for (;;) {
        POINT point = screenPoint;
        ScreenToClient(parent, &point);
        HWND child = ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == parent)
            return parent;
        parent = child;
    }
}

} // namespace

// The framework's two help commands; whatever comes, the request counts as handled.
bool TfrmCommonSettings::FormHelp(UINT Command, DWORD_PTR Data) {
    if (Command == HELP_SETPOPUP_POS)
        PopupPosition = {GET_X_LPARAM(Data), GET_Y_LPARAM(Data)};
    else if (Command == HELP_CONTEXTPOPUP)
        ShowPopup(Data);
    return true;
}

// A control without a help context of its own answers with its parent's, as a
// control on a page answers with the tab control's.
void TfrmCommonSettings::OnHelp(const HELPINFO& info) {
    DWORD context = 0;
    for (HWND window = static_cast<HWND>(info.hItemHandle);
         window && !context && window != Handle(); window = GetParent(window))
        context = GetWindowContextHelpId(window);
    FormHelp(HELP_SETPOPUP_POS, MAKELONG(info.MousePos.x, info.MousePos.y));
    FormHelp(HELP_CONTEXTPOPUP, context);
}

std::wstring TfrmCommonSettings::GetHelpByID(DWORD_PTR ID) const {
    switch (ID) {
    case CommonSettingsHelp::Additionally:
        return HelpAdditionally;
    case CommonSettingsHelp::OK:
        return HelpOK;
    case CommonSettingsHelp::Cancel:
        return HelpCancel;
    case CommonSettingsHelp::Pages:
        return HelpPages;
    default:
        return {};
    }
}

std::wstring TfrmCommonSettings::GetControlHintByPos(POINT Pos) const {
    const auto hint = FHints.find(DeepestChildAt(Handle(), Pos));
    return hint == FHints.end() ? std::wstring() : hint->second;
}

// With F1 held down the help is about the focused control, else about the one
// under the mouse.
HWND TfrmCommonSettings::ControlInQuestion() const {
    if (GetKeyState(VK_F1) < 0)
        return GetFocus();
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND control = DeepestChildAt(Handle(), cursor);
    return control == Handle() ? nullptr : control;
}

void TfrmCommonSettings::ShowPopup(DWORD_PTR ID) {
    HH_POPUP popup{};
    popup.cbStruct = sizeof(popup);
    popup.pt = PopupPosition;
    popup.clrForeground = COLORREF(-1);
    popup.clrBackground = PopupBackground;
    popup.rcMargins = {PopupMargin, PopupMargin, PopupMargin, PopupMargin};
    std::wstring text;
    if (ID == CommonSettingsHelp::ControlHint) {
        if (HWND control = ControlInQuestion()) {
            RECT rect{};
            GetWindowRect(control, &rect);
            const auto hint = FHints.find(control);
            text = hint == FHints.end() ? std::wstring() : hint->second;
            popup.pt = {rect.left, rect.top};
        }
    } else if (ID >= CommonSettingsHelp::FirstBuiltIn) {
        text = GetHelpByID(ID);
    } else if (FHelpEnabled) {
        popup.idString = UINT(ID);
    }
    if (ID >= CommonSettingsHelp::FirstBuiltIn || !FHelpEnabled) {
        popup.pszText = text.c_str();
        CallHtmlHelp(Handle(), nullptr, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup));
    } else {
        const std::wstring topics = FHelpFile + HelpPopups;
        CallHtmlHelp(Handle(), topics.c_str(), HH_DISPLAY_TEXT_POPUP,
                     reinterpret_cast<DWORD_PTR>(&popup));
    }
}

} // namespace svcgate
