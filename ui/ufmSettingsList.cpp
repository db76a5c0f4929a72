#include "ui/ufmSettingsList.h"

#include "common/Module.h"
#include "common/Variants.h"
#include "device/uHostValues.h"
#include "ui/ufmSettingsListIds.h"

#include <commctrl.h>
#include <windowsx.h>

#include <optional>

namespace svcgate {

namespace {

constexpr int ComboFalseIndex = 0;
constexpr int ComboTrueIndex = 1;

// What a value shows in the list; a value with no text form shows nothing.
std::wstring SettingText(const VARIANT& value) {
    return TryConvertVariant(value, VT_BSTR) ? VariantToText(value) : std::wstring();
}

bool EqualsTrue(const VARIANT& value) {
    const std::optional<unique_variant> flag = TryConvertVariant(value, VT_BOOL);
    return flag && V_BOOL(&flag->get()) == VARIANT_TRUE;
}

bool IsEnterOrEscape(WPARAM key) {
    return key == VK_RETURN || key == VK_ESCAPE;
}

// The key a control is asked about by the dialog manager, if it is a key press.
std::optional<WPARAM> KeyAskedFor(LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (message && message->message == WM_KEYDOWN)
        return message->wParam;
    return std::nullopt;
}

} // namespace

TfrmSettingsList::TfrmSettingsList(TBaseDevice& ADeviceManager) : FDeviceManager(ADeviceManager) {}

INT_PTR TfrmSettingsList::ShowModal(HWND Owner) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    return RunModal(Owner, IDD_SETTINGS_LIST);
}

HWND TfrmSettingsList::List() const {
    return Item(IDC_SETTINGS);
}

void TfrmSettingsList::OnInitDialog() {
    ListView_SetExtendedListViewStyle(List(),
                                      LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_FLATSB);
    AddColumns();
    AddHints();
    HWND combo = Item(IDC_VALUE_COMBO);
    ComboBox_AddString(combo, BooleanFalseText);
    ComboBox_AddString(combo, BooleanTrueText);
    Subclass(List());
    Subclass(Item(IDC_VALUE_EDIT));
    Subclass(combo);
    ListView_SetItemCountEx(List(), static_cast<int>(FDeviceManager.SettingsCount()), 0);
    FEditControl = Item(IDC_VALUE_EDIT);
}

// Widths in dialog units, so that they grow with the system font.
void TfrmSettingsList::AddColumns() {
    const struct {
        UINT text;
        int width;
    } columns[] = {{IDS_COLUMN_NAME, 127}, {IDS_COLUMN_VALUE, 60}, {IDS_COLUMN_DEFAULT, 60}};
    int index = 0;
    for (const auto& column : columns) {
        std::wstring text = LoadModuleString(column.text);
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.pszText = text.data();
        header.cx = DialogUnitsToPixels(Handle(), column.width);
        ListView_InsertColumn(List(), index++, &header);
    }
}

// The tool tips belong to the dialog and go with it.
void TfrmSettingsList::AddHints() {
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                Handle(), nullptr, ThisModule(), nullptr);
    const std::pair<int, UINT> hints[] = {{IDC_SET_ALL_DEFAULT, IDS_HINT_SET_ALL_DEFAULT},
                                          {IDOK, IDS_HINT_OK},
                                          {IDCANCEL, IDS_HINT_CANCEL}};
    for (const auto& [control, textID] : hints) {
        std::wstring text = LoadModuleString(textID);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(Item(control));
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool TfrmSettingsList::OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (Msg) {
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != List())
            return false;
        ShowContextMenu(lParam);
        result = 0;
        return true;
    default:
        return false;
    }
}

bool TfrmSettingsList::OnNotify(NMHDR& header) {
    if (header.hwndFrom != List())
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        GetRowData(reinterpret_cast<NMLVDISPINFOW&>(header).item);
        return true;
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) &&
            ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            SelectionChanged();
        return true;
    }
    case NM_DBLCLK:
        StartEdit();
        return true;
    default:
        return false;
    }
}

bool TfrmSettingsList::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDOK:
        EndEdit(false);
        Close(IDOK);
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    case IDC_SET_ALL_DEFAULT:
        SetAllDefault();
        return true;
    case IDM_EDIT_SETTING:
        StartEdit();
        return true;
    case IDM_DEFAULT_SETTING:
        SetSelectedDefault();
        return true;
    case IDC_VALUE_EDIT:
    case IDC_VALUE_COMBO:
        // Leaving the editor keeps what it holds.
        if (code == EN_KILLFOCUS || code == CBN_KILLFOCUS)
            EndEdit(false);
        return true;
    default:
        return false;
    }
}

// The dialog manager would take Enter for the default button and Escape for
// Cancel; the list and the editors take them while they have a use for them.
bool TfrmSettingsList::OnControlMessage(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result) {
    const bool isList = control == List();
    const bool droppedDown =
        !isList && control == Item(IDC_VALUE_COMBO) && ComboBox_GetDroppedState(control);
    if (droppedDown)
        return false;
    switch (Msg) {
    case WM_GETDLGCODE: {
        const std::optional<WPARAM> key = KeyAskedFor(lParam);
        const bool wanted =
            key && (isList ? *key == VK_RETURN || (*key == VK_ESCAPE && FEditRow >= 0)
                           : IsEnterOrEscape(*key));
        if (!wanted)
            return false;
        result = DLGC_WANTALLKEYS;
        return true;
    }
    case WM_KEYDOWN:
        result = 0;
        return isList ? OnListKey(wParam) : OnEditorKey(wParam);
    case WM_CHAR:
        // The key press was taken already; its character would only beep.
        result = 0;
        return !isList && (wParam == L'\r' || wParam == 0x1B);
    default:
        return false;
    }
}

bool TfrmSettingsList::OnListKey(WPARAM key) {
    if (key == VK_RETURN || key == VK_F2) {
        StartEdit();
        return true;
    }
    if (key == VK_ESCAPE && FEditRow >= 0) {
        EndEdit(false);
        return true;
    }
    return false;
}

bool TfrmSettingsList::OnEditorKey(WPARAM key) {
    if (!IsEnterOrEscape(key))
        return false;
    EndEdit(key == VK_ESCAPE);
    return true;
}

void TfrmSettingsList::GetRowData(LVITEMW& item) {
    const TSettingStruct* setting = FDeviceManager.GetSetting(static_cast<size_t>(item.iItem));
    if (!setting || !(item.mask & LVIF_TEXT) || item.cchTextMax <= 0)
        return;
    const std::wstring text = item.iSubItem == 0   ? setting->Name
                              : item.iSubItem == 1 ? SettingText(setting->Value.get())
                                                   : SettingText(setting->Default.get());
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

int TfrmSettingsList::SelectedRow() const {
    return ListView_GetNextItem(List(), -1, LVNI_SELECTED);
}

// The edit in progress is stored first, into the row it was started on: when the
// change is reported the new row is already the selected one, and the typed
// value must not land in it.
void TfrmSettingsList::SelectionChanged() {
    EndEdit(false);
    const TSettingStruct* setting = FDeviceManager.GetSetting(static_cast<size_t>(SelectedRow()));
    SetDlgItemTextW(Handle(), IDC_STATUS, setting ? setting->Description.c_str() : L"");
}

void TfrmSettingsList::StartEdit() {
    const int row = SelectedRow();
    const TSettingStruct* setting =
        row < 0 ? nullptr : FDeviceManager.GetSetting(static_cast<size_t>(row));
    if (FEditRow >= 0 || !setting)
        return;
    if (setting->ValueType == dtBoolean) {
        FEditControl = Item(IDC_VALUE_COMBO);
        ComboBox_SetCurSel(FEditControl,
                           EqualsTrue(setting->Value.get()) ? ComboTrueIndex : ComboFalseIndex);
    } else {
        FEditControl = Item(IDC_VALUE_EDIT);
        SetWindowTextW(FEditControl, SettingText(setting->Value.get()).c_str());
        Edit_SetSel(FEditControl, 0, -1);
    }
    FEditRow = row;
    PlaceEditor(row);
    SetFocus(FEditControl);
}

// Over the value column of the row: the list's border and grid line are left
// visible on the left, and the editor is a little taller than the row.
void TfrmSettingsList::PlaceEditor(int row) {
    RECT bounds{};
    ListView_GetItemRect(List(), row, &bounds, LVIR_BOUNDS);
    POINT origin{bounds.left + ListView_GetColumnWidth(List(), 0), bounds.top};
    MapWindowPoints(List(), Handle(), &origin, 1);
    const int height = bounds.bottom - bounds.top + 7;
    // A drop-down list's height includes its list, which shows both items.
    const int windowHeight = FEditControl == Item(IDC_VALUE_COMBO) ? height * 3 : height;
    SetWindowPos(FEditControl, HWND_TOP, origin.x + 1, origin.y - 2,
                 ListView_GetColumnWidth(List(), 1), windowHeight, SWP_SHOWWINDOW);
}

void TfrmSettingsList::EndEdit(bool Cancel) {
    if (FEditRow < 0)
        return;
    const int row = std::exchange(FEditRow, -1);
    TSettingStruct* setting = FDeviceManager.GetSetting(static_cast<size_t>(row));
    if (!Cancel && setting) {
        setting->Value = FEditControl == Item(IDC_VALUE_COMBO)
                             ? MakeBoolVariant(ComboBox_GetCurSel(FEditControl) == ComboTrueIndex)
                             : TextToSettingValue(setting->ValueType, WindowText(FEditControl));
        RefreshRow(row);
    }
    ShowWindow(FEditControl, SW_HIDE);
    SetFocus(List());
}

void TfrmSettingsList::SetAllDefault() {
    FDeviceManager.SetAllSettingsDefault();
    ListView_RedrawItems(List(), 0, static_cast<int>(FDeviceManager.SettingsCount()) - 1);
}

void TfrmSettingsList::SetSelectedDefault() {
    const int row = SelectedRow();
    TSettingStruct* setting =
        row < 0 ? nullptr : FDeviceManager.GetSetting(static_cast<size_t>(row));
    if (!setting)
        return;
    setting->Value = setting->Default.copy();
    RefreshRow(row);
}

void TfrmSettingsList::RefreshRow(int row) {
    ListView_RedrawItems(List(), row, row);
}

// From the keyboard the menu opens at the selected row.
void TfrmSettingsList::ShowContextMenu(LPARAM position) {
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (position == -1) {
        RECT bounds{};
        ListView_GetItemRect(List(), std::max(SelectedRow(), 0), &bounds, LVIR_LABEL);
        at = {bounds.left, bounds.bottom};
        ClientToScreen(List(), &at);
    }
    unique_hmenu menu(LoadMenuW(ThisModule(), MAKEINTRESOURCEW(IDR_SETTINGS_MENU)));
    TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

} // namespace svcgate
