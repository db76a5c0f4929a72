#include "../support/Dialogs.h"

#include "common/Variants.h"
#include "device/uBaseDevice.h"
#include "ui/ufmSettingsList.h"
#include "ui/ufmSettingsListIds.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::wstring Caption = L"Список настроек";

// A setting of every type after the base's three; one read-only.
class SettingsDevice : public TBaseDevice {
protected:
    void DoDeclareSettings() override {
        TBaseDevice::DoDeclareSettings();
        AddSetting(L"Title", dtString, MakeVariant(L"abc").get(), false, L"Заголовок",
                   L"Текст заголовка");
        AddSetting(L"Since", dtDateTime, MakeVariant(L"01.02.2024").get(), false, L"Начало",
                   L"Дата начала");
        AddSetting(L"Count", dtNumber, MakeVariant(5).get(), true, L"Количество",
                   L"Только для чтения");
    }
};

enum Row { DefaultTimeOut, EventLogEnabled, DebugLogEnabled, Title, Since, Count };

class SettingsList : public testing::Test {
protected:
    com_ptr<SettingsDevice> device = TBaseObject::Create<SettingsDevice>();
    TfrmSettingsList form{*device.get()};

    INT_PTR Drive(const std::function<void(HWND)>& script, HWND owner = nullptr) {
        return DriveModal(
            Caption, [&] { return form.ShowModal(owner); }, script);
    }
    const VARIANT& Value(Row row) { return device->GetSetting(row)->Value.get(); }
};

void Select(HWND dialog, int row) {
    ListView_SetItemState(GetDlgItem(dialog, IDC_SETTINGS), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    Settle(dialog);
}

// Starts the editor on the row with the key and ends it with another, the
// edit holding `typed` (the drop-down: "False" or "True").
struct EditCase {
    Row row;
    UINT startKey;
    std::wstring typed;
    UINT endKey;
    const wchar_t* screenshot;
};

TEST_F(SettingsList, EditorsStoreWhatWasTypedByTheSettingsTypeAndEscapeCancels) {
    const EditCase cases[] = {
        {DebugLogEnabled, VK_RETURN, L"True", VK_RETURN, L"settings-list-boolean-editor"},
        {Count, VK_F2, L"abc", VK_RETURN, L"settings-list-number-editor"},
        {Since, VK_RETURN, L"05.03.2024", VK_RETURN, nullptr},
        {Title, VK_RETURN, L"changed", VK_ESCAPE, nullptr},
    };
    const INT_PTR result = Drive([&](HWND dialog) {
        for (const EditCase& edit : cases) {
            Select(dialog, edit.row);
            PressKey(GetDlgItem(dialog, IDC_SETTINGS), edit.startKey);
            const bool boolean = edit.row == DebugLogEnabled;
            const int editor = boolean ? IDC_VALUE_COMBO : IDC_VALUE_EDIT;
            EXPECT_TRUE(IsShown(dialog, editor));
            if (boolean)
                SendDlgItemMessageW(dialog, editor, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(edit.typed.c_str()));
            else
                SetText(dialog, editor, edit.typed);
            if (edit.screenshot)
                SaveScreenshot({dialog}, edit.screenshot);
            PressKey(GetDlgItem(dialog, editor), edit.endKey);
            EXPECT_FALSE(IsShown(dialog, editor));
        }
        SaveScreenshot({dialog}, L"settings-list-edited");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(V_VT(&Value(DebugLogEnabled)), VT_BOOL);
    EXPECT_TRUE(VariantToBool(Value(DebugLogEnabled)));
    EXPECT_EQ(V_VT(&Value(Count)), VT_R8);
    EXPECT_EQ(VariantToDouble(Value(Count)), 0.0);
    EXPECT_EQ(V_VT(&Value(Since)), VT_DATE);
    EXPECT_EQ(VariantToText(Value(Title)), L"abc");
}

TEST_F(SettingsList, ASelectionChangeStoresTheEditFirstAndShowsTheNewDescription) {
    Drive([&](HWND dialog) {
        Select(dialog, Title);
        PressKey(GetDlgItem(dialog, IDC_SETTINGS), VK_RETURN);
        SetText(dialog, IDC_VALUE_EDIT, L"typed");
        Select(dialog, Count);
        EXPECT_FALSE(IsShown(dialog, IDC_VALUE_EDIT));
        EXPECT_EQ(TextOf(dialog, IDC_STATUS), L"Только для чтения");
        SaveScreenshot({dialog}, L"settings-list-selection-changed");
    });
    EXPECT_EQ(VariantToText(Value(Title)), L"typed");
    EXPECT_EQ(VariantToInt(Value(Count)), 5) << "the newly selected setting is left alone";
}

// The editor left for the list keeps its text; Escape there closes as Cancel,
// and the owner, disabled while the window was up, is enabled again.
TEST_F(SettingsList, EscapeInTheListKeepsWhatWasTyped) {
    unique_hwnd owner(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr));
    const INT_PTR result = Drive(
        [&](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(owner.get()));
            HWND list = GetDlgItem(dialog, IDC_SETTINGS);
            Select(dialog, Title);
            PressKey(list, VK_RETURN);
            SetText(dialog, IDC_VALUE_EDIT, L"kept");
            PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            Settle(dialog);
            EXPECT_FALSE(IsShown(dialog, IDC_VALUE_EDIT));
            PressKey(list, VK_ESCAPE);
        },
        owner.get());
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
    EXPECT_EQ(VariantToText(Value(Title)), L"kept");
}

TEST_F(SettingsList, DefaultsComeBackForAllOrForTheSelectedSetting) {
    device->SetSettingValue(L"Title", MakeVariant(L"changed").get());
    device->SetSettingValue(L"Count", MakeVariant(9).get());
    Drive([&](HWND dialog) {
        Select(dialog, Title);
        PostMessageW(dialog, WM_COMMAND, IDM_DEFAULT_SETTING, 0);
        Settle(dialog);
        EXPECT_EQ(VariantToText(Value(Title)), L"abc");
        EXPECT_EQ(VariantToInt(Value(Count)), 9);
        Click(dialog, IDC_SET_ALL_DEFAULT);
        Settle(dialog);
        SaveScreenshot({dialog}, L"settings-list-defaults");
    });
    EXPECT_EQ(VariantToInt(Value(Count)), 5);
}

} // namespace
