#pragma once
// The gateway driver's settings page "Параметры": the person's login and
// password, the terminal, the gateway's address and time-out, the hardware key;
// it refreshes the terminal's catalogue with the values just typed.

#include "gateway/uDevice.h"
#include "ui/uBaseSettingsDeviceFrm.h"
#include "ui/ufmMainSettingsIds.h"

#include <memory>

namespace svcgate {

class TfrmMainSettings : public TfrmBaseSettings {
public:
    static constexpr int TemplateID = IDD_MAIN_SETTINGS;

    // The page "class" for the dialog; the gateway client is the driver's own.
    static TPageClass PageClass(TDevice& AGatewayClient);

    TfrmMainSettings(TBaseDevice& ADeviceManager, TDevice& AGatewayClient);

    void OnSaveSettings(bool& AllowColse) override;
    using TfrmBaseSettings::OnSaveSettings;
    void OnReadSettings() override;
    void OnCreateFrm() override;

protected:
    void OnCommand(int id, int code) override;

private:
    void ApplyUseEToken();
    bool TimeoutGiven();
    void ShowPersonWizard();
    void InitializeTerminal();

    TDevice& FGatewayClient;
};

} // namespace svcgate
