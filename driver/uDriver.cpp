// The driver's settings, device information, enabling, health check and its own
// host method "InitializeTerminal".

#include "driver/uDriver.h"

#include "common/Finally.h"
#include "common/Variants.h"
#include "common/uEquipmentErrors.h"
#include "common/uSimpleCrypt.h"
#include "device/uDeviceTexts.h"
#include "driver/uDriverSettings.h"
#include "driver/uDriverTexts.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewaySettings.h"
#include "gateway/uGatewayTexts.h"
#include "ui/ufmCommonSettings.h"
#include "ui/ufmMainSettings.h"

#include <cmath>

namespace svcgate {

using namespace DriverTexts;
using namespace GatewaySettings;

void TDriver::DoCreate() {
    TBaseServiceTerminal::DoCreate();
    FDevice = std::make_unique<TDevice>();
    FDevice->SetDebugLog(
        [this](std::wstring_view name, std::wstring_view text) { WriteDebugLog(name, text); });
    FDevice->SetEventLog([this](const std::wstring& text) {
        WriteLog(GatewayTexts::HeldEventName, text, HeldPaymentEventType);
    });
}

void TDriver::DoDestroy() {
    TBaseServiceTerminal::DoDestroy();
    if (FDevice)
        FDevice->Disable();
    FDevice.reset();
}

void TDriver::DoDeclareSettings() {
    TBaseServiceTerminal::DoDeclareSettings();
    AddSettings(DriverSettings::Declared);
    DeclareSecretSetting(SettingPassword);
}

void TDriver::DoRegisterMethods() {
    TBaseServiceTerminal::DoRegisterMethods();
    RegisterSpecificMethod(
        InitializeTerminalMethod,
        [this](const VARIANT&, unique_variant&, std::int32_t, std::wstring& ResultDescription) {
            return this->InitializeTerminal(ResultDescription);
        });
}

void TDriver::DoSetupDeviceInfo() {
    TBaseServiceTerminal::DoSetupDeviceInfo();
    FDeviceInfo.ModelID = ModelID;
    FDeviceInfo.ModelName = ModelName;
    FDeviceInfo.ProcessorName = ProgID;
    FDeviceInfo.IsSettingsDlgExist = true;
    FDeviceInfo.Description = Description;
}

namespace {

// The setting "SrvResponseTimeout" as the host gave it: the default for 0, a
// negative value or one that is not a number, and never more than ten minutes.
std::uint32_t UsableResponseTimeout(const VARIANT& setting) {
    const std::optional<unique_variant> number = TryConvertVariant(setting, VT_R8);
    const double ms = number ? std::round(V_R8(&number->get())) : 0;
    if (!(ms > 0))
        return DefaultResponseTimeoutMs;
    return ms < MaxResponseTimeoutMs ? static_cast<std::uint32_t>(ms) : MaxResponseTimeoutMs;
}

} // namespace

// The stored password is scrambled; the gateway client and the token get it plain.
void TDriver::CopySettingsToDevice() {
    const std::wstring password = UnscrambledSetting(GetSettingValueStr(SettingPassword));
    FDevice->SetLogin(GetSettingValueStr(SettingLogin));
    FDevice->SetPassword(password);
    FDevice->SetTerminalID(GetSettingValueStr(SettingTerminalID));
    FDevice->SetServer1URL(GetSettingValueStr(SettingServer1URL));
    FDevice->SetSrvResponseTimeout(
        UsableResponseTimeout(GetSettingValue(SettingSrvResponseTimeout).get()));
    FDevice->SetDebugMode(GetSettingValueBool(DeviceTexts::SettingDebugLogEnabled));
    FDevice->SetUseEToken(GetSettingValueBool(SettingUseEToken));
    FDevice->EToken().SetUserPassword(password);
}

// The settings are copied on every enabling: a change made while disabled takes
// effect at the next "Enable".
std::int32_t TDriver::DoEnable(std::wstring& ResultDescription) {
    TBaseServiceTerminal::DoEnable(ResultDescription);
    CopySettingsToDevice();
    return FDevice->Enable(false);
}

std::int32_t TDriver::DoDisable(std::wstring& ResultDescription) {
    const std::int32_t code = TBaseServiceTerminal::DoDisable(ResultDescription);
    FDevice->Disable();
    return code;
}

// A health check always re-reads the settings and reconnects; a driver that was
// enabled and fails it is left disabled.
std::int32_t TDriver::DoCheckHealth(std::wstring& ResultDescription) {
    const bool wasEnabled = Enabled();
    Disable();
    std::int32_t code = ResultCode::UnknownError;
    try {
        code = Enable(ResultDescription);
    } catch (...) {
        if (!wasEnabled)
            Disable();
        throw;
    }
    if (!wasEnabled)
        Disable();
    return code;
}

std::int32_t TDriver::InitializeTerminal(std::wstring& ResultDescription) {
    ResultDescription.clear();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    return FDevice->Enable(true);
}

// For 1001 the gateway's own text says what went wrong.
std::wstring TDriver::GetDriverResultDescription(std::int32_t ResultCode) {
    if (ResultCode == ResultCode::UnknownError && FDevice)
        return FDevice->LastResultDescription();
    return TBaseServiceTerminal::GetDriverResultDescription(ResultCode);
}

bool TDriver::DoShowSettings() {
    return ShowSettingsForm({TfrmMainSettings::PageClass(*FDevice)}, false);
}

// The dialog is gone before the host's window comes back, also after an error.
bool TDriver::ShowSettingsForm(const std::vector<TPageClass>& PageClasses, bool WithoutDeviceTest) {
    StoreFocus();
    return WithFinally(
        [&] {
            TfrmCommonSettings dialog(*this, PageClasses);
            dialog.SetCapDeviceTest(!WithoutDeviceTest);
            const bool confirmed = WithFinally([&] { return dialog.ShowModal() == IDOK; },
                                               [this] { DoSettingsChanged(); });
            return confirmed;
        },
        [this] { RestoreFocus(); });
}

bool TDriver::DeviceTest(std::wstring& ResultDescription) {
    ResultDescription = NoErrors;
    MessageBoxW(GetActiveWindow(), ResultDescription.c_str(), ModelName,
                MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    return true;
}

} // namespace svcgate
