#include "ui/uDialogs.h"

#include "common/Module.h"
#include "common/uEquipmentErrors.h"
#include "ui/uSettingsTexts.h"

#include <utility>

namespace svcgate {

namespace {

Dialog* DialogOf(HWND window) {
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

} // namespace

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

unique_hfont BoldFontOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    font.lfWeight = FW_BOLD;
    return unique_hfont(CreateFontIndirectW(&font));
}

// A combo box keeps its edit part as a child window of class "Edit".
void SetEditNumbersOnly(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    HWND edit = lstrcmpiW(className, L"ComboBox") == 0
                    ? FindWindowExW(control, nullptr, L"Edit", nullptr)
                    : control;
    if (edit)
        SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_NUMBER);
}

void ShowErrorBox(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), SettingsTexts::ErrorCaption, MB_OK | MB_ICONERROR);
}

void ShowInformationBox(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), SettingsTexts::InformationCaption, MB_OK | MB_ICONINFORMATION);
}

// A window that outlives its object goes with it, and no message of its
// destruction reaches the object that is no more.
Dialog::~Dialog() {
    if (FHandle)
        SetWindowLongPtrW(FHandle.get(), DWLP_USER, 0);
}

// The dialog manager enables the owner when the dialog ends, but not when the
// dialog could not be made.
INT_PTR Dialog::RunModal(HWND Owner, UINT TemplateID) {
    const bool ownerEnabled = Owner && IsWindowEnabled(Owner);
    FModal = true;
    const INT_PTR result = DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(TemplateID), Owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    if (ownerEnabled)
        EnableWindow(Owner, TRUE);
    RaiseBuildError();
    if (result == -1)
        RaiseLastOSError();
    return result;
}

void Dialog::CreateChild(HWND Parent, UINT TemplateID) {
    const HWND window = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(TemplateID), Parent,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    RaiseBuildError();
    if (!window)
        RaiseLastOSError();
}

void Dialog::Build(HWND window) {
    FHandle.reset(window);
    FBuilding = true;
    Guarded([this] { OnInitDialog(); });
    FBuilding = false;
    if (FBuildError && FModal)
        Close(IDCANCEL);
}

// The window is gone before its build error travels on.
void Dialog::RaiseBuildError() {
    if (!FBuildError)
        return;
    FHandle.reset();
    std::rethrow_exception(std::exchange(FBuildError, nullptr));
}

void Dialog::Guarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        Failed();
    }
}

// A failing paint would stack a box for every repaint while one is up: what
// fails meanwhile is not shown again.
void Dialog::Failed() noexcept {
    if (FBuilding) {
        if (!FBuildError)
            FBuildError = std::current_exception();
        return;
    }
    if (std::exchange(FShowingError, true))
        return;
    try {
        ShowErrorBox(Handle(), CaughtErrorDescription());
    } catch (...) {
    }
    FShowingError = false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->Build(window);
        return TRUE;
    }
    Dialog* dialog = DialogOf(window);
    if (!dialog)
        return FALSE;
    if (Msg == WM_NCDESTROY) {
        dialog->FHandle.detach();
        return FALSE;
    }
    bool handled = false;
    INT_PTR result = 0;
    dialog->Guarded([&] { handled = dialog->OnMessage(Msg, wParam, lParam, result); });
    if (!handled)
        return FALSE;
    // The colour messages answer with their brush itself; the others through the
    // dialog's message result.
    if (Msg >= WM_CTLCOLORMSGBOX && Msg <= WM_CTLCOLORSTATIC)
        return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

// The control's own procedure is kept in its user data, which the standard
// controls leave to their owner.
void Dialog::Subclass(HWND control) {
    const LONG_PTR previous =
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    SetWindowLongPtrW(control, GWLP_USERDATA, previous);
}

LRESULT CALLBACK Dialog::ControlProc(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    if (Dialog* dialog = DialogOf(GetParent(control))) {
        bool handled = false;
        LRESULT result = 0;
        dialog->Guarded(
            [&] { handled = dialog->OnControlMessage(control, Msg, wParam, lParam, result); });
        if (handled)
            return result;
    }
    return CallWindowProcW(previous, control, Msg, wParam, lParam);
}

TWaitCursor::TWaitCursor() : FPrevious(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}

TWaitCursor::~TWaitCursor() {
    SetCursor(FPrevious);
}

} // namespace svcgate
