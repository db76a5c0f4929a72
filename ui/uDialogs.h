#pragma once
// What every settings window shares: the dialog window with its one guarded
// message dispatch, message boxes and the hourglass.

#include "common/Exception.h"
#include "common/Owners.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace svcgate {

std::wstring WindowText(HWND window);
// A pixel length for a length in dialog units of this dialog's font, so that
// what is laid out in code scales with the system font as the template does.
int DialogUnitsToPixels(HWND dialog, int units, bool vertical = false);

// The window's font in bold.
unique_hfont BoldFontOf(HWND window);
// Lets the edit (or the edit part of a combo box) take digits only.
void SetEditNumbersOnly(HWND control);

void ShowErrorBox(HWND owner, const std::wstring& text);
void ShowInformationBox(HWND owner, const std::wstring& text);

// A dialog window from a resource template of this module, run modally or made a
// child window of another one. No C++ exception crosses its window procedure:
// an error while the window is being built ends it and travels on to whoever
// asked for the window, once the window is gone; a later one is shown over the
// window, which stays usable, and the message is left to the default handling.
class Dialog {
public:
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND Handle() const { return FHandle.get(); }

protected:
    Dialog() = default;

    // IDOK, IDCANCEL or whatever the dialog ended with; the owner is enabled
    // again whatever happened.
    INT_PTR RunModal(HWND Owner, UINT TemplateID);
    // The window lives until this object or its parent goes, whichever is first.
    void CreateChild(HWND Parent, UINT TemplateID);
    void Close(INT_PTR result) { EndDialog(Handle(), result); }

    HWND Item(int id) const { return GetDlgItem(Handle(), id); }
    std::wstring ItemText(int id) const { return WindowText(Item(id)); }
    void SetItemText(int id, const std::wstring& text) {
        SetDlgItemTextW(Handle(), id, text.c_str());
    }

    virtual void OnInitDialog() {}
    // True when the message was handled; `result` is then the dialog's answer.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
    // Routes a control's messages through OnControlMessage first; the control
    // keeps its own procedure for the rest.
    void Subclass(HWND control);
    // True when handled; `result` is then the control's answer.
    virtual bool OnControlMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

private:
    void Build(HWND window);
    void RaiseBuildError();
    void Guarded(const std::function<void()>& handler) noexcept;
    // Called in the catch block of the error.
    void Failed() noexcept;
    static INT_PTR CALLBACK DialogProc(HWND window, UINT Msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam);

    unique_hwnd FHandle;
    bool FModal = false;
    bool FBuilding = false;
    bool FShowingError = false;
    std::exception_ptr FBuildError;
};

// The hourglass for as long as it lives, then the cursor that was there before.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    HCURSOR FPrevious;
};

} // namespace svcgate
