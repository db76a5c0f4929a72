// The settings dialog: building it around its pages, its layout, and what OK
// and Cancel leave in the settings table.

#include "ui/ufmCommonSettings.h"

#include "common/Module.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Folders.h"
#include "device/uDeviceInfo.h"
#include "ui/uSettingsTexts.h"
#include "ui/ufmCommonSettingsIds.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace svcgate {

using namespace SettingsTexts;

namespace {

constexpr COLORREF HeaderColour = RGB(0xFF, 0xC6, 0x00);
// In dialog units, so that the dialog follows the system font's DPI.
constexpr int HeaderHeight = 30;
constexpr int FooterHeight = 33;
constexpr int Margin = 4;
constexpr int ButtonHeight = 14;
constexpr int ButtonWidth = 50;
constexpr int AdditionallyWidth = 64;
constexpr int RowGap = 4;
// In pixels at 96 DPI, as the dialog's smallest size is given.
constexpr SIZE MinimumSize = {320, 400};
constexpr int LogoSize = 40;

constexpr int InformationRows = IDC_CONTACT_CAPTION - IDC_TYPE_CAPTION + 1;
constexpr int InformationValueOffset = IDC_TYPE_INFO - IDC_TYPE_CAPTION;

RECT ChildRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int TextHeight(HWND control, HFONT font, int width) {
    const unique_window_dc dc({control, GetDC(control)});
    const HGDIOBJ previous = SelectObject(dc.get().second, font);
    const std::wstring text = WindowText(control);
    RECT rect{0, 0, width, 0};
    DrawTextW(dc.get().second, text.empty() ? L" " : text.c_str(), -1, &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc.get().second, previous);
    return rect.bottom;
}

} // namespace

struct TfrmCommonSettings::TLayout {
    int header, footer, margin, buttonHeight, buttonWidth, additionallyWidth;
};

// The information tab lays its rows out anew whenever its size changes.
class TfrmCommonSettings::TInformationTab : public Dialog {
public:
    using Dialog::CreateChild;
    using Dialog::SetItemText;

private:
    void OnInitDialog() override;
    bool OnMessage(UINT Msg, WPARAM, LPARAM, INT_PTR&) override;
    void Arrange();

    unique_hfont FBoldFont;
};

void TfrmCommonSettings::TInformationTab::OnInitDialog() {
    FBoldFont = BoldFontOf(Handle());
    for (int row = 0; row < InformationRows; ++row)
        SendMessageW(Item(IDC_TYPE_CAPTION + row), WM_SETFONT,
                     reinterpret_cast<WPARAM>(FBoldFont.get()), FALSE);
}

bool TfrmCommonSettings::TInformationTab::OnMessage(UINT Msg, WPARAM, LPARAM, INT_PTR&) {
    if (Msg != WM_SIZE)
        return false;
    Arrange();
    return true;
}

TfrmCommonSettings::TfrmCommonSettings(TBaseDevice& ADeviceManager,
                                       std::vector<TPageClass> PageClasses)
    : FDeviceManager(ADeviceManager), FPageClasses(std::move(PageClasses)) {}

// The pages forget their windows when the dialog destroys them.
TfrmCommonSettings::~TfrmCommonSettings() = default;

INT_PTR TfrmCommonSettings::ShowModal() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return RunModal(nullptr, IDD_COMMON_SETTINGS);
}

void TfrmCommonSettings::OnInitDialog() {
    FHeaderBrush.reset(CreateSolidBrush(HeaderColour));
    FLogo.reset(static_cast<HBITMAP>(
        LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    SendMessageW(Item(IDC_LOGO), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(FLogo.get()));
    FHelpImage.reset(LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(IDB_MENU_HELP)));
    FActionImage.reset(LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(IDB_MENU_ACTION)));

    AddPages(FPageClasses);
    CreateInformationTab();
    FillHeaderAndInformation();
    LoadPages();
    TabCtrl_SetCurSel(Item(IDC_PAGES), 0);
    if (TabCtrl_GetItemCount(Item(IDC_PAGES)) == 1)
        SetCapSetDefault(false);
    FindHelpFile();

    FToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                               0, 0, 0, Handle(), nullptr, ThisModule(), nullptr);
    SendMessageW(FToolTip, TTM_SETMAXTIPWIDTH, 0, 400);
    AddHint(IDC_PAGES, HintPages);
    AddHint(IDC_ADDITIONALLY, HintAdditionally);
    AddHint(IDOK, HintOK);
    AddHint(IDCANCEL, HintCancel);
    SetWindowContextHelpId(Item(IDC_PAGES), CommonSettingsHelp::ControlHint);
    SetWindowContextHelpId(Item(IDC_ADDITIONALLY), CommonSettingsHelp::Additionally);
    SetWindowContextHelpId(Item(IDOK), CommonSettingsHelp::OK);
    SetWindowContextHelpId(Item(IDCANCEL), CommonSettingsHelp::Cancel);

    StoreOpeningSettings();
    Arrange();
    CenterOnScreen();
    ShowActivePage();
    SetForegroundWindow(Handle());
}

void TfrmCommonSettings::AddHint(int id, const wchar_t* hint) {
    FHints[Item(id)] = hint;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = const_cast<wchar_t*>(hint);
    SendMessageW(FToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfrmCommonSettings::AddPages(const std::vector<TPageClass>& PageClasses) {
    for (const TPageClass& PageClass : PageClasses)
        AddPage(PageClass);
}

void TfrmCommonSettings::AddPage(const TPageClass& PageClass) {
    AddPage(PageClass(Handle(), FDeviceManager));
}

void TfrmCommonSettings::AddPage(std::unique_ptr<TfrmBaseSettings> PageFrm) {
    AddTab(PageFrm->Caption());
    PageFrm->SetOwnerFrm(this);
    // Pages are "on the tab control": their controls answer context help as it does.
    SetWindowContextHelpId(PageFrm->Handle(), CommonSettingsHelp::ControlHint);
    RECT rect{};
    GetClientRect(PageFrm->Handle(), &rect);
    GrowToFit({rect.right, rect.bottom});
    FPages.push_back(std::move(PageFrm));
}

void TfrmCommonSettings::CreateInformationTab() {
    FInformation = std::make_unique<TInformationTab>();
    FInformation->CreateChild(Handle(), IDD_INFO);
    SetWindowContextHelpId(FInformation->Handle(), CommonSettingsHelp::ControlHint);
    AddTab(WindowText(FInformation->Handle()));
}

void TfrmCommonSettings::AddTab(std::wstring caption) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption.data();
    HWND pages = Item(IDC_PAGES);
    SendMessageW(pages, TCM_INSERTITEMW, TabCtrl_GetItemCount(pages),
                 reinterpret_cast<LPARAM>(&tab));
}

void TfrmCommonSettings::FillHeaderAndInformation() {
    const TDeviceInfoStruct& info = FDeviceManager.DeviceInfo();
    const std::wstring version = FDeviceManager.GetDeviceVersion();
    SetItemText(IDC_MODEL_NAME, info.ModelName);
    SetItemText(IDC_DRIVER_VERSION, version);
    const std::wstring values[InformationRows] = {DeviceTypeDescription(info.TypeName),
                                                  info.ModelName,
                                                  version,
                                                  info.DeveloperName,
                                                  info.Description,
                                                  ContactInfoText(info)};
    for (int row = 0; row < InformationRows; ++row)
        FInformation->SetItemText(IDC_TYPE_INFO + row, values[row]);
    FCI_www = info.CI_www;
}

void TfrmCommonSettings::FindHelpFile() {
    const std::wstring module = ThisModulePath();
    FHelpFile =
        IncludeTrailingPathDelimiter(module.substr(0, module.find_last_of(L"\\/"))) + HelpFileName;
    FHelpEnabled = FileExists(FHelpFile);
    SetCapShowHelp(FHelpEnabled);
}

TfrmCommonSettings::TLayout TfrmCommonSettings::Measure() const {
    RECT units{Margin, HeaderHeight, ButtonWidth, FooterHeight};
    MapDialogRect(Handle(), &units);
    RECT buttons{AdditionallyWidth, ButtonHeight, 0, 0};
    MapDialogRect(Handle(), &buttons);
    return {units.top, units.bottom, units.left, buttons.top, units.right, buttons.left};
}

// The client area grows, never shrinks, until the page fits in the tab control.
void TfrmCommonSettings::GrowToFit(SIZE pageSize) {
    const TLayout layout = Measure();
    RECT tab{0, 0, pageSize.cx, pageSize.cy};
    TabCtrl_AdjustRect(Item(IDC_PAGES), TRUE, &tab);
    RECT client{};
    GetClientRect(Handle(), &client);
    client.right = std::max<LONG>(client.right, tab.right - tab.left + 2 * layout.margin);
    client.bottom = std::max<LONG>(client.bottom, tab.bottom - tab.top + layout.header +
                                                      layout.footer + layout.margin);
    AdjustWindowRectEx(&client, GetWindowLongW(Handle(), GWL_STYLE), FALSE,
                       GetWindowLongW(Handle(), GWL_EXSTYLE));
    SetWindowPos(Handle(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmCommonSettings::CenterOnScreen() {
    RECT window{}, screen{};
    GetWindowRect(Handle(), &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    const int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(Handle(), nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + std::max<int>(0, (screen.bottom - screen.top - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmCommonSettings::Arrange() {
    const TLayout layout = Measure();
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right, height = client.bottom;
    const int textLeft = 2 * layout.margin + LogoSize;
    MoveWindow(Item(IDC_LOGO), layout.margin, (layout.header - LogoSize) / 2, LogoSize, LogoSize,
               TRUE);
    const int lineHeight = layout.buttonHeight;
    MoveWindow(Item(IDC_MODEL_NAME), textLeft, layout.margin, width - textLeft - layout.margin,
               layout.header - layout.margin - lineHeight, TRUE);
    MoveWindow(Item(IDC_DRIVER_VERSION), textLeft, layout.header - lineHeight,
               width - textLeft - layout.margin, lineHeight - 2, TRUE);
    MoveWindow(Item(IDC_PAGES), layout.margin, layout.header + layout.margin,
               width - 2 * layout.margin, height - layout.header - layout.margin - layout.footer,
               TRUE);
    const int buttonTop = height - layout.footer + (layout.footer - layout.buttonHeight) / 2;
    MoveWindow(Item(IDC_ADDITIONALLY), layout.margin, buttonTop, layout.additionallyWidth,
               layout.buttonHeight, TRUE);
    MoveWindow(Item(IDCANCEL), width - layout.margin - layout.buttonWidth, buttonTop,
               layout.buttonWidth, layout.buttonHeight, TRUE);
    MoveWindow(Item(IDOK), width - 2 * (layout.margin + layout.buttonWidth), buttonTop,
               layout.buttonWidth, layout.buttonHeight, TRUE);

    RECT display = ChildRect(Item(IDC_PAGES));
    TabCtrl_AdjustRect(Item(IDC_PAGES), FALSE, &display);
    for (const auto& page : FPages)
        SetWindowPos(page->Handle(), HWND_TOP, display.left, display.top,
                     display.right - display.left, display.bottom - display.top, 0);
    SetWindowPos(FInformation->Handle(), HWND_TOP, display.left, display.top,
                 display.right - display.left, display.bottom - display.top, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

// Bold captions on the left, values wrapped in the rest of the width, each row
// as high as its longer side.
void TfrmCommonSettings::TInformationTab::Arrange() {
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT units{Margin * 2, RowGap, 0, 0};
    MapDialogRect(Handle(), &units);
    const int margin = units.left;
    int captionWidth = 0;
    for (int row = 0; row < InformationRows; ++row) {
        HWND caption = Item(IDC_TYPE_CAPTION + row);
        const unique_window_dc dc({caption, GetDC(caption)});
        const HGDIOBJ previous = SelectObject(dc.get().second, FBoldFont.get());
        const std::wstring text = WindowText(caption);
        SIZE size{};
        GetTextExtentPoint32W(dc.get().second, text.c_str(), int(text.size()), &size);
        SelectObject(dc.get().second, previous);
        captionWidth = std::max<int>(captionWidth, size.cx);
    }
    // A long caption wraps rather than squeeze the values.
    captionWidth = std::min<int>(captionWidth, client.right / 4);
    const int valueLeft = 2 * margin + captionWidth;
    const int valueWidth = std::max<int>(client.right - valueLeft - margin, margin);
    int top = margin;
    for (int row = 0; row < InformationRows; ++row) {
        HWND caption = Item(IDC_TYPE_CAPTION + row);
        HWND value = Item(IDC_TYPE_CAPTION + row + InformationValueOffset);
        const int captionHeight = TextHeight(caption, FBoldFont.get(), captionWidth);
        const int valueHeight = TextHeight(
            value, reinterpret_cast<HFONT>(SendMessageW(value, WM_GETFONT, 0, 0)), valueWidth);
        MoveWindow(caption, margin, top, captionWidth, captionHeight, TRUE);
        MoveWindow(value, valueLeft, top, valueWidth, valueHeight, TRUE);
        top += std::max(captionHeight, valueHeight) + units.top;
    }
}

void TfrmCommonSettings::ShowActivePage() {
    const int active = TabCtrl_GetCurSel(Item(IDC_PAGES));
    for (size_t index = 0; index < FPages.size(); ++index)
        ShowWindow(FPages[index]->Handle(), int(index) == active ? SW_SHOW : SW_HIDE);
    ShowWindow(FInformation->Handle(), size_t(active) == FPages.size() ? SW_SHOW : SW_HIDE);
}

void TfrmCommonSettings::LoadPages() {
    for (const auto& page : FPages)
        page->OnReadSettings();
}

// A page that refuses keeps the later ones from being asked.
bool TfrmCommonSettings::SavePages() {
    for (const auto& page : FPages) {
        bool allowed = true;
        page->OnSaveSettings(allowed);
        if (!allowed)
            return false;
        page->OnSaveSettings();
    }
    return true;
}

void TfrmCommonSettings::NotifyPages(const std::wstring& Msg, const std::wstring& Data) {
    for (const auto& page : FPages)
        page->OnNotify(Msg, Data);
}

void TfrmCommonSettings::CloseWith(INT_PTR result) {
    if (result == IDOK && !SavePages())
        return;
    if (result != IDOK) {
        FDeviceManager.RestoreSettings();
        RestoreOpeningSettings();
    }
    Close(result);
}

// The settings as the dialog found them: Cancel puts them back, so that a reset
// to defaults or anything else done in the table meanwhile is undone too.
void TfrmCommonSettings::StoreOpeningSettings() {
    FOpeningSettings = FDeviceManager.SettingsSnapshot();
}

void TfrmCommonSettings::RestoreOpeningSettings() {
    FDeviceManager.RestoreSettings(FOpeningSettings);
}

bool TfrmCommonSettings::OnColour(HDC dc, HWND control, INT_PTR& brush) {
    const int id = GetDlgCtrlID(control);
    if (GetParent(control) != Handle() ||
        (id != IDC_LOGO && id != IDC_MODEL_NAME && id != IDC_DRIVER_VERSION))
        return false;
    SetBkMode(dc, TRANSPARENT);
    brush = reinterpret_cast<INT_PTR>(FHeaderBrush.get());
    return true;
}

bool TfrmCommonSettings::OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (Msg) {
    case WM_COMMAND:
        RunCommand(LOWORD(wParam), HIWORD(wParam));
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom == IDC_PAGES && header.code == TCN_SELCHANGE)
            ShowActivePage();
        return false;
    }
    case WM_SIZE:
        Arrange();
        return true;
    case WM_GETMINMAXINFO: {
        const unique_window_dc dc({nullptr, GetDC(nullptr)});
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x =
            MulDiv(MinimumSize.cx, GetDeviceCaps(dc.get().second, LOGPIXELSX), 96);
        limits->ptMinTrackSize.y =
            MulDiv(MinimumSize.cy, GetDeviceCaps(dc.get().second, LOGPIXELSY), 96);
        return true;
    }
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(Handle(), &client);
        const HDC dc = reinterpret_cast<HDC>(wParam);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        client.bottom = Measure().header;
        FillRect(dc, &client, FHeaderBrush.get());
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        return OnColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result);
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) != Item(IDC_LOGO))
            return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    case WM_HELP:
        OnHelp(*reinterpret_cast<const HELPINFO*>(lParam));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

} // namespace svcgate
