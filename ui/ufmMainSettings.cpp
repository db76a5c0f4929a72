#include "ui/ufmMainSettings.h"

#include "common/Finally.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uEquipmentErrors.h"
#include "common/uSimpleCrypt.h"
#include "gateway/uGatewaySettings.h"
#include "ui/uSettingsTexts.h"
#include "ui/ufmETokenProtectionSetup.h"

namespace svcgate {

using namespace GatewaySettings;

namespace {

// The edits whose text is a setting's text as it is.
struct TextSetting {
    int control;
    const wchar_t* setting;
};
constexpr TextSetting TextSettings[] = {{IDC_LOGIN, SettingLogin},
                                        {IDC_TERMINAL_ID, SettingTerminalID},
                                        {IDC_SERVER1_URL, SettingServer1URL},
                                        {IDC_SRV_RESPONSE_TIMEOUT, SettingSrvResponseTimeout}};

} // namespace

TPageClass TfrmMainSettings::PageClass(TDevice& AGatewayClient) {
    return [&AGatewayClient](HWND AOwner, TBaseDevice& ADeviceManager) {
        return std::unique_ptr<TfrmBaseSettings>(
            TfrmBaseSettings::Create<TfrmMainSettings>(AOwner, ADeviceManager, AGatewayClient));
    };
}

TfrmMainSettings::TfrmMainSettings(TBaseDevice& ADeviceManager, TDevice& AGatewayClient)
    : TfrmBaseSettings(ADeviceManager), FGatewayClient(AGatewayClient) {}

void TfrmMainSettings::OnCreateFrm() {
    TfrmBaseSettings::OnCreateFrm();
    SetEditNumbersOnly(Item(IDC_SRV_RESPONSE_TIMEOUT));
    SendMessageW(Item(IDC_PASSWORD), EM_SETPASSWORDCHAR, L'*', 0);
}

// The stored password is scrambled into hexadecimal digits; the field shows it plain.
void TfrmMainSettings::OnReadSettings() {
    TfrmBaseSettings::OnReadSettings();
    TBaseDevice& device = DeviceManager();
    for (const TextSetting& edit : TextSettings)
        SetItemText(edit.control, device.GetSettingValueStr(edit.setting));
    SetItemText(IDC_PASSWORD, UnscrambledSetting(device.GetSettingValueStr(SettingPassword)));
    CheckDlgButton(Handle(), IDC_USE_ETOKEN,
                   device.GetSettingValueBool(SettingUseEToken) ? BST_CHECKED : BST_UNCHECKED);
    ApplyUseEToken();
}

// The time-out goes in as text, read back as a number; an empty one is refused.
void TfrmMainSettings::OnSaveSettings(bool& AllowColse) {
    TfrmBaseSettings::OnSaveSettings(AllowColse);
    AllowColse = TimeoutGiven();
    if (!AllowColse)
        return;
    TBaseDevice& device = DeviceManager();
    for (const TextSetting& edit : TextSettings)
        device.SetSettingValue(edit.setting, MakeVariant(ItemText(edit.control)).get());
    device.SetSettingValue(SettingPassword,
                           MakeVariant(ScrambledSetting(ItemText(IDC_PASSWORD))).get());
    device.SetSettingValue(
        SettingUseEToken,
        MakeBoolVariant(IsDlgButtonChecked(Handle(), IDC_USE_ETOKEN) == BST_CHECKED).get());
}

// An empty field would leave the client its default time-out unseen: the user
// is asked for one, in the field itself.
bool TfrmMainSettings::TimeoutGiven() {
    if (!Trim(ItemText(IDC_SRV_RESPONSE_TIMEOUT)).empty())
        return true;
    ShowErrorBox(Handle(), SettingsTexts::TimeoutMissing);
    SetFocus(Item(IDC_SRV_RESPONSE_TIMEOUT));
    return false;
}

// With the hardware key in use the password field holds the key's PIN.
void TfrmMainSettings::ApplyUseEToken() {
    const bool useEToken = IsDlgButtonChecked(Handle(), IDC_USE_ETOKEN) == BST_CHECKED;
    SetItemText(IDC_PASSWORD_LABEL,
                useEToken ? SettingsTexts::PasswordEToken : SettingsTexts::PasswordPerson);
    EnableWindow(Item(IDC_ADD_DELETE_PERSON), useEToken);
}

void TfrmMainSettings::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return;
    if (id == IDC_USE_ETOKEN)
        ApplyUseEToken();
    else if (id == IDC_ADD_DELETE_PERSON)
        ShowPersonWizard();
    else if (id == IDC_UPDATE_CONFIG)
        InitializeTerminal();
}

// The key opens with the PIN as typed, whether or not the dialog is saved later.
void TfrmMainSettings::ShowPersonWizard() {
    FGatewayClient.EToken().SetUserPassword(ItemText(IDC_PASSWORD));
    TfrmETokenProtectionSetup(Handle(), FGatewayClient).ShowModal();
}

// Tried with the page's values; afterwards the table holds what it held before.
void TfrmMainSettings::InitializeTerminal() {
    if (!TimeoutGiven())
        return;
    const std::int32_t code = WithFinally(
        [this] {
            const std::int32_t enabled = EnableDevice();
            return enabled == ResultCode::Success ? FGatewayClient.Enable(true) : enabled;
        },
        [this] { DisableDevice(); });
    if (code != ResultCode::Success)
        ShowErrorBox(Handle(), DeviceManager().GetDriverResultDescription(code));
}

} // namespace svcgate
