// The settings dialog's additional menu and its commands: defaults, the device
// test, the debug logs, help, the driver's own actions, and the logo's address.

#include "ui/ufmCommonSettings.h"

#include "common/Finally.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uEquipmentErrors.h"
#include "device/uDeviceTexts.h"
#include "ui/uHtmlHelp.h"
#include "ui/uSettingsTexts.h"
#include "ui/ufmCommonSettingsIds.h"
#include "ui/ufmSettingsList.h"

#include <commdlg.h>
#include <htmlhelp.h>
#include <shellapi.h>

namespace svcgate {

using namespace SettingsTexts;

namespace {

// A separator is put in only when an item follows it, as the menu would drop
// a leading, doubled or trailing one.
class TMenuBuilder {
public:
    explicit TMenuBuilder(HMENU menu) : FMenu(menu) {}
    void Separator() { FSeparatorDue = GetMenuItemCount(FMenu) > 0; }
    void Item(UINT id, const wchar_t* caption, HBITMAP image = nullptr) {
        Append(MF_STRING, id, caption, image);
    }
    // The menu takes over the submenu.
    void Submenu(unique_hmenu submenu, const wchar_t* caption) {
        Append(MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()), caption, nullptr);
        submenu.detach();
    }

private:
    void Append(UINT flags, UINT_PTR id, const wchar_t* caption, HBITMAP image) {
        if (FSeparatorDue)
            AppendMenuW(FMenu, MF_SEPARATOR, 0, nullptr);
        FSeparatorDue = false;
        AppendMenuW(FMenu, flags, id, caption);
        if (!image)
            return;
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = image;
        SetMenuItemInfoW(FMenu, UINT(GetMenuItemCount(FMenu) - 1), TRUE, &item);
    }

    HMENU FMenu;
    bool FSeparatorDue = false;
};

} // namespace

// Built anew at each opening: the log submenu follows "DebugLogEnabled" as it is now.
void TfrmCommonSettings::ShowAdditionalMenu() {
    unique_hmenu menu(CreatePopupMenu());
    TMenuBuilder builder(menu.get());
    if (FCapSetDefault)
        builder.Item(IDM_RESET, MenuReset);
    if (FCapDeviceTest)
        builder.Item(IDM_DEVICE_TEST, MenuDeviceTest);
    builder.Item(IDM_SETTINGS_LIST, MenuSettingsList);
    if (FCapOpenDebugLog &&
        FDeviceManager.GetSettingValueBool(DeviceTexts::SettingDebugLogEnabled)) {
        unique_hmenu logs(CreatePopupMenu());
        TMenuBuilder logItems(logs.get());
        logItems.Item(IDM_OPEN_CURRENT_DEBUG_LOG, MenuOpenCurrentDebugLog);
        logItems.Item(IDM_OPEN_DEBUG_LOG_DIRECTORY, MenuOpenDebugLogDirectory);
        builder.Submenu(std::move(logs), MenuOpenDebugLog);
    }
    builder.Separator();
    if (FCapShowHelp)
        builder.Item(IDM_HELP, MenuHelp, FHelpImage.get());
    builder.Separator();
    for (size_t index = 0; index < FDeviceManager.AddActionsCount() &&
                           IDM_ADDITIONAL_ACTION + index <= IDM_ADDITIONAL_ACTION_LAST;
         ++index)
        builder.Item(UINT(IDM_ADDITIONAL_ACTION + index),
                     FDeviceManager.GetAddAction(index)->Caption.c_str(), FActionImage.get());
    RECT button{};
    GetWindowRect(Item(IDC_ADDITIONALLY), &button);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, button.left,
                   button.bottom, 0, Handle(), nullptr);
}

void TfrmCommonSettings::RunCommand(int id, int code) {
    switch (id) {
    case IDOK:
    case IDCANCEL:
        CloseWith(id);
        return;
    case IDC_ADDITIONALLY:
        ShowAdditionalMenu();
        return;
    case IDC_LOGO:
        if (code == STN_CLICKED)
            OpenWebAddress();
        return;
    case IDM_RESET:
        ResetToDefaults();
        return;
    case IDM_DEVICE_TEST:
        DeviceTest();
        return;
    case IDM_SETTINGS_LIST:
        ShowSettingsList();
        return;
    case IDM_OPEN_CURRENT_DEBUG_LOG:
        OpenCurrentDebugLog();
        return;
    case IDM_OPEN_DEBUG_LOG_DIRECTORY:
        OpenDebugLogDirectory();
        return;
    case IDM_HELP:
        ShowHelpFile();
        return;
    default:
        if (id >= IDM_ADDITIONAL_ACTION && id <= IDM_ADDITIONAL_ACTION_LAST)
            RunAdditionalAction(size_t(id - IDM_ADDITIONAL_ACTION));
    }
}

// The list edits the table in place: OK keeps its changes for the pages to show,
// anything else puts back what the table held when it opened.
void TfrmCommonSettings::ShowSettingsList() {
    FDeviceManager.StoreSettings();
    if (TfrmSettingsList(FDeviceManager).ShowModal(Handle()) == IDOK)
        LoadPages();
    else
        FDeviceManager.RestoreSettings();
}

void TfrmCommonSettings::ResetToDefaults() {
    FDeviceManager.SetAllSettingsDefault();
    LoadPages();
}

// Whatever the test does with the table and the device, both come back as they were.
void TfrmCommonSettings::DeviceTest() {
    std::wstring message;
    bool passed = false;
    {
        FDeviceManager.StoreSettings();
        TWaitCursor wait;
        passed = WithFinally([&] { return TryDevice(message); },
                             [&] {
                                 FDeviceManager.Disable();
                                 FDeviceManager.RestoreSettings();
                             });
    }
    if (!passed)
        ShowErrorBox(Handle(), message);
}

bool TfrmCommonSettings::TryDevice(std::wstring& message) {
    if (!SavePages()) {
        message = SaveFailed;
        return false;
    }
    std::wstring description;
    const std::int32_t code = FDeviceManager.Enable(description);
    message = EquipmentResultText(code, description);
    if (code != ResultCode::Success)
        return false;
    const bool passed = FDeviceManager.DeviceTest(description);
    message = description;
    return passed;
}

// The log is looked for where it is written, which is the device's folder only
// while that folder exists.
void TfrmCommonSettings::OpenCurrentDebugLog() {
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const std::wstring file = FDeviceManager.DebugLogFile(today);
    if (FileExists(file))
        ShellExecuteW(Handle(), nullptr, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    else
        ShowInformationBox(Handle(), DebugLogNotFound);
}

void TfrmCommonSettings::OpenDebugLogDirectory() {
    const std::wstring folder = FDeviceManager.DebugLogFolder();
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = DebugLogFilter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog))
        ShellExecuteW(Handle(), nullptr, file, nullptr, nullptr, SW_SHOWNORMAL);
}

void TfrmCommonSettings::OpenWebAddress() {
    TWaitCursor wait;
    ShellExecuteW(Handle(), L"Open", FCI_www.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void TfrmCommonSettings::RunAdditionalAction(size_t index) {
    const TAdditionalAction* action = FDeviceManager.GetAddAction(index);
    if (!action)
        return;
    std::wstring description;
    if (FDeviceManager.RunAdditionalAction(action->ID, description) != ResultCode::Success)
        ShowErrorBox(Handle(), description);
}

void TfrmCommonSettings::ShowHelpFile() {
    CallHtmlHelp(Handle(), FHelpFile.c_str(), HH_DISPLAY_TOPIC, 0);
}

} // namespace svcgate
