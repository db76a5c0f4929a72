#include "ui/ModalDialog.h"

#include "common/Exception.h"
#include "common/Module.h"

namespace svcgate {

namespace {

// Enables the owner again even if the dialog could not be made or ended in error.
class OwnerEnabler {
public:
    explicit OwnerEnabler(HWND owner)
        : owner_(owner), wasEnabled_(owner && IsWindowEnabled(owner)) {}
    ~OwnerEnabler() {
        if (wasEnabled_)
            EnableWindow(owner_, TRUE);
    }
    OwnerEnabler(const OwnerEnabler&) = delete;
    OwnerEnabler& operator=(const OwnerEnabler&) = delete;

private:
    HWND owner_;
    bool wasEnabled_;
};

ModalDialog* DialogOf(HWND window) {
    return reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

} // namespace

INT_PTR ModalDialog::RunModal(HWND Owner, UINT TemplateID) {
    OwnerEnabler enabler(Owner);
    FError = nullptr;
    const INT_PTR result = DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(TemplateID), Owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    FHandle = nullptr;
    if (FError)
        std::rethrow_exception(FError);
    if (result == -1)
        RaiseLastOSError();
    return result;
}

void ModalDialog::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (...) {
        if (!FError)
            FError = std::current_exception();
        EndDialog(FHandle, IDCANCEL);
    }
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        ModalDialog* dialog = reinterpret_cast<ModalDialog*>(lParam);
        dialog->FHandle = window;
        dialog->Guarded([dialog] { dialog->OnInitDialog(); });
        return TRUE;
    }
    ModalDialog* dialog = DialogOf(window);
    if (!dialog || !dialog->FHandle)
        return FALSE;
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
void ModalDialog::Subclass(HWND control) {
    const LONG_PTR previous =
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    SetWindowLongPtrW(control, GWLP_USERDATA, previous);
}

bool ModalDialog::OnControlMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CALLBACK ModalDialog::ControlProc(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    ModalDialog* dialog = DialogOf(GetParent(control));
    if (dialog && dialog->FHandle) {
        bool handled = false;
        LRESULT result = 0;
        dialog->Guarded(
            [&] { handled = dialog->OnControlMessage(control, Msg, wParam, lParam, result); });
        if (handled)
            return result;
    }
    return CallWindowProcW(previous, control, Msg, wParam, lParam);
}

} // namespace svcgate
