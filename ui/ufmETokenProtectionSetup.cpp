#include "ui/ufmETokenProtectionSetup.h"

#include "common/Module.h"
#include "ui/ufmETokenProtectionSetupIds.h"

#include <windowsx.h>

namespace svcgate {

namespace {

constexpr wchar_t PasswordMask = L'\x2022';

struct TPageInfo {
    // The controls of the page; the pages' tabs are never shown, only one page's controls.
    std::vector<int> controls;
    UINT caption;
    UINT nextCaption;
};

const TPageInfo Pages[] = {
    {{IDC_ADD_PERSON, IDC_DELETE_PERSON}, IDS_CAPTION_ADD_OR_DELETE, IDS_NEXT_ADD_OR_DELETE},
    {{IDC_PERSONS}, IDS_CAPTION_DELETE_PERSON, IDS_NEXT_DELETE_PERSON},
    {{IDC_LOGIN_LABEL, IDC_LOGIN, IDC_PASSWORD_LABEL, IDC_PASSWORD, IDC_SHOW_PASSWORD},
     IDS_CAPTION_ADD_PERSON,
     IDS_NEXT_ADD_PERSON},
};

} // namespace

TfrmETokenProtectionSetup::TfrmETokenProtectionSetup(HWND AOwner, TDevice& ADevice)
    : FOwner(AOwner), FDevice(ADevice) {
    for (const TPageInfo& page : Pages)
        FCaptions.push_back(LoadModuleString(page.caption));
}

INT_PTR TfrmETokenProtectionSetup::ShowModal() {
    return RunModal(FOwner, IDD_ETOKEN_PROTECTION_SETUP);
}

void TfrmETokenProtectionSetup::OnInitDialog() {
    FCaptionFont = BoldFontOf(Handle());
    SetWindowFont(Item(IDC_WIZARD_CAPTION), FCaptionFont.get(), FALSE);
    Button_SetCheck(Item(IDC_ADD_PERSON), BST_CHECKED);
    ShowPassword(false);
    SetItemText(IDC_LOGIN, FDevice.Login());
    ShowPage(tsAddOrDelete);
    ApplyPageChange();
    FillPersons();
}

bool TfrmETokenProtectionSetup::OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (Msg) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_ERASEBKGND:
        result = 1;
        return PaintHeader(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) != Item(IDC_WIZARD_CAPTION))
            return false;
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        return true;
    default:
        return false;
    }
}

// The header band is white above its etched line, as far as the line reaches.
bool TfrmETokenProtectionSetup::PaintHeader(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT line{};
    GetWindowRect(Item(IDC_HEADER_LINE), &line);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&line), 2);
    RECT header{client.left, client.top, client.right, line.top};
    FillRect(dc, &header, GetSysColorBrush(COLOR_WINDOW));
    return true;
}

bool TfrmETokenProtectionSetup::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_NEXT:
        NextClicked();
        return true;
    case IDC_PREVIOUS:
        ShowPage(tsAddOrDelete);
        ApplyPageChange();
        return true;
    case IDC_SHOW_PASSWORD:
        ShowPassword(Button_GetCheck(Item(IDC_SHOW_PASSWORD)) == BST_CHECKED);
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    default:
        return false;
    }
}

void TfrmETokenProtectionSetup::ShowPage(TPage page) {
    FActivePage = page;
    for (int index = 0; index < static_cast<int>(std::size(Pages)); ++index)
        for (int control : Pages[index].controls)
            ShowWindow(Item(control), index == page ? SW_SHOW : SW_HIDE);
}

void TfrmETokenProtectionSetup::ApplyPageChange() {
    HWND next = Item(IDC_NEXT);
    ShowWindow(Item(IDC_PREVIOUS),
               FActivePage != tsAddOrDelete && IsWindowEnabled(next) ? SW_SHOW : SW_HIDE);
    SetWindowTextW(next, LoadModuleString(Pages[FActivePage].nextCaption).c_str());
    SetItemText(IDC_WIZARD_CAPTION, FCaptions[FActivePage]);
}

void TfrmETokenProtectionSetup::FillPersons() {
    HWND list = Item(IDC_PERSONS);
    ListBox_ResetContent(list);
    std::vector<std::wstring> containers;
    if (!FDevice.EToken().GetContainers(containers))
        return;
    for (const std::wstring& name : containers)
        ListBox_AddString(list, name.c_str());
}

// After a successful action the button stays disabled: only "Закрыть" goes on.
void TfrmETokenProtectionSetup::NextClicked() {
    switch (FActivePage) {
    case tsAddOrDelete:
        ShowPage(Button_GetCheck(Item(IDC_ADD_PERSON)) == BST_CHECKED ? tsAddPerson
                                                                      : tsDeletePerson);
        break;
    case tsDeletePerson:
        EnableWindow(Item(IDC_NEXT), !DeletePerson());
        break;
    case tsAddPerson:
        EnableWindow(Item(IDC_NEXT), !AddPerson());
        break;
    }
    ApplyPageChange();
}

bool TfrmETokenProtectionSetup::AddPerson() {
    bool added = false;
    {
        TWaitCursor wait;
        added = FDevice.SetPublicKey(ItemText(IDC_LOGIN), ItemText(IDC_PASSWORD));
    }
    if (!added) {
        ShowErrorBox(Handle(), FDevice.LastResultDescription());
        return false;
    }
    ShowInformationBox(Handle(), LoadModuleString(IDS_PERSON_CREATED));
    return true;
}

bool TfrmETokenProtectionSetup::DeletePerson() {
    HWND list = Item(IDC_PERSONS);
    const int selected = ListBox_GetCurSel(list);
    if (selected < 0)
        return false;
    std::wstring name(static_cast<size_t>(ListBox_GetTextLen(list, selected)) + 1, L'\0');
    name.resize(static_cast<size_t>(ListBox_GetText(list, selected, name.data())));
    bool deleted = false;
    {
        TWaitCursor wait;
        deleted = FDevice.EToken().DeleteKey(name);
    }
    if (!deleted) {
        ShowErrorBox(Handle(), FDevice.EToken().LastErrorDescription());
        return false;
    }
    FillPersons();
    return true;
}

void TfrmETokenProtectionSetup::ShowPassword(bool visible) {
    HWND password = Item(IDC_PASSWORD);
    Edit_SetPasswordChar(password, visible ? 0 : PasswordMask);
    InvalidateRect(password, nullptr, TRUE);
}

} // namespace svcgate
