#include "ui/uBaseSettingsDeviceFrm.h"

#include "common/Finally.h"
#include "common/uEquipmentErrors.h"
#include "ui/ufmCommonSettings.h"

namespace svcgate {

bool TfrmBaseSettings::OnMessage(UINT Msg, WPARAM wParam, LPARAM, INT_PTR&) {
    if (Msg != WM_COMMAND)
        return false;
    OnCommand(LOWORD(wParam), HIWORD(wParam));
    return true;
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
