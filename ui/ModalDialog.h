#pragma once
// A dialog from a resource template of this module, run modally on the calling
// thread. An error inside the dialog ends it and is raised again once the
// dialog is gone, so no C++ exception crosses the window procedure, and the
// owner is enabled again whatever happened.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace svcgate {

class ModalDialog {
public:
    ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;
    virtual ~ModalDialog() = default;

protected:
    // IDOK, IDCANCEL or whatever the dialog ended with.
    INT_PTR RunModal(HWND Owner, UINT TemplateID);
    HWND Handle() const { return FHandle; }
    HWND Item(int id) const { return GetDlgItem(FHandle, id); }
    void Close(INT_PTR result) { EndDialog(FHandle, result); }
    // Runs an action on behalf of a window procedure: an error ends the dialog.
    void Guarded(const std::function<void()>& action);

    virtual void OnInitDialog() = 0;
    // True when the message was handled; `result` is then the dialog's answer.
    virtual bool OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;

    // Routes a control's messages through OnControlMessage first; the control
    // keeps its own procedure for the rest.
    void Subclass(HWND control);
    // True when handled; `result` is then the control's answer.
    virtual bool OnControlMessage(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT Msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    std::exception_ptr FError;
};

} // namespace svcgate
