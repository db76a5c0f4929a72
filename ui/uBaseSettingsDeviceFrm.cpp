#include "ui/uBaseSettingsDeviceFrm.h"

#include "common/Module.h"
#include "common/uEquipmentErrors.h"
#include "ui/ufmCommonSettings.h"

namespace svcgate {

std::wstring TfrmBaseSettings::Caption() const {
    return WindowText(FHandle.get());
}

std::wstring TfrmBaseSettings::ItemText(int id) const {
    return WindowText(Item(id));
}

void TfrmBaseSettings::SetItemText(int id, const std::wstring& text) {
    SetDlgItemTextW(FHandle.get(), id, text.c_str());
}

void TfrmBaseSettings::CreateFromTemplate(HWND AOwner, int templateID) {
    FHandle.reset(CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(templateID), AOwner, DialogProc,
                                     reinterpret_cast<LPARAM>(this)));
    if (!FHandle)
        RaiseLastOSError();
}

// The window belongs to the dialog, which destroys it with itself; the page
// then forgets it.
INT_PTR CALLBACK TfrmBaseSettings::DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return FALSE;
    }
    auto* page = reinterpret_cast<TfrmBaseSettings*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        page->FHandle.detach();
        return FALSE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    return Guarded(window, [&] {
        page->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    });
}

std::int32_t TfrmBaseSettings::EnableDeviceWith(const std::vector<std::wstring>* Settings,
                                                std::wstring& ResultDescription) {
    FWaitCursor.emplace();
    if (Settings) {
        FDeviceManager.StoreSettings(*Settings);
    } else {
        FDeviceManager.StoreSettings();
        bool allowed = true;
        OnSaveSettings(allowed);
        if (!allowed) {
            ResultDescription = EquipmentResultText(ResultCode::BadDeviceParameters);
            return ResultCode::BadDeviceParameters;
        }
    }
    OnSaveSettings();
    return FDeviceManager.Enable(ResultDescription);
}

std::int32_t TfrmBaseSettings::EnableDevice(const std::vector<std::wstring>& Settings,
                                            std::wstring& ResultDescription) {
    return EnableDeviceWith(&Settings, ResultDescription);
}

std::int32_t TfrmBaseSettings::EnableDevice(const std::vector<std::wstring>& Settings) {
    std::wstring ignored;
    return EnableDeviceWith(&Settings, ignored);
}

std::int32_t TfrmBaseSettings::EnableDevice() {
    std::wstring ignored;
    return EnableDeviceWith(nullptr, ignored);
}

std::int32_t TfrmBaseSettings::EnableDevice(std::wstring& ResultDescription) {
    return EnableDeviceWith(nullptr, ResultDescription);
}

// The snapshot comes back and the cursor goes back even when disabling fails.
void TfrmBaseSettings::DisableDevice() {
    WithFinally([this] { return FDeviceManager.Disable(); },
                [this] {
                    FDeviceManager.RestoreSettings();
                    FWaitCursor.reset();
                });
}

void TfrmBaseSettings::NotifyOwner(const std::wstring& Msg, const std::wstring& Data) {
    if (FOwnerFrm)
        FOwnerFrm->NotifyPages(Msg, Data);
}

} // namespace svcgate
