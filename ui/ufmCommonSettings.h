#pragma once
// The settings dialog: a header with the driver's logo, model and version, the
// pages as tabs with an information tab last, and a footer with the additional
// functions and OK and Cancel. Modal on the host's thread; it works on the
// driver's settings table directly.

#include "common/Owners.h"
#include "device/uBaseDevice.h"
#include "ui/uBaseSettingsDeviceFrm.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace svcgate {

using TPages = std::vector<std::unique_ptr<TfrmBaseSettings>>;

// The context-help identifiers of the dialog's own texts; smaller ones are
// topics of the help file's popups.
namespace CommonSettingsHelp {
constexpr DWORD Additionally = 1000;
constexpr DWORD OK = 1001;
constexpr DWORD Cancel = 1002;
constexpr DWORD Pages = 1003;
constexpr DWORD FirstBuiltIn = Additionally;
// The tab control's and its pages': the hint of the control in question.
constexpr DWORD ControlHint = 10000;
} // namespace CommonSettingsHelp

class TfrmCommonSettings : public Dialog {
public:
    TfrmCommonSettings(TBaseDevice& ADeviceManager, std::vector<TPageClass> PageClasses);
    ~TfrmCommonSettings() override;

    // IDOK when the user confirmed, else IDCANCEL.
    INT_PTR ShowModal();
    const TPages& Pages() const { return FPages; }

    // Each shows and enables one item of the additional menu, or hides it.
    void SetCapDeviceTest(bool value) { FCapDeviceTest = value; }
    void SetCapSetDefault(bool value) { FCapSetDefault = value; }
    void SetCapShowHelp(bool value) { FCapShowHelp = value; }
    void SetCapOpenDebugLog(bool value) { FCapOpenDebugLog = value; }

    void AddPage(std::unique_ptr<TfrmBaseSettings> PageFrm);
    void AddPage(const TPageClass& PageClass);
    void AddPages(const std::vector<TPageClass>& PageClasses);
    void NotifyPages(const std::wstring& Msg, const std::wstring& Data);

    // Context help: the dialog's help handler, the built-in texts and hints.
    bool FormHelp(UINT Command, DWORD_PTR Data);
    std::wstring GetHelpByID(DWORD_PTR ID) const;
    std::wstring GetControlHintByPos(POINT Pos) const;
    bool HelpFileExists() const { return FHelpEnabled; }

private:
    struct TLayout;
    class TInformationTab;

    // Building
    void OnInitDialog() override;
    void CreateInformationTab();
    void AddTab(std::wstring caption);
    void FillHeaderAndInformation();
    void FindHelpFile();
    void AddHint(int id, const wchar_t* hint);
    void GrowToFit(SIZE pageSize);
    void CenterOnScreen();
    // Layout
    TLayout Measure() const;
    void Arrange();
    void ShowActivePage();
    // Loading, saving, closing
    void LoadPages();
    bool SavePages();
    void CloseWith(INT_PTR result);
    void StoreOpeningSettings();
    void RestoreOpeningSettings();
    // The additional menu and its commands
    void ShowAdditionalMenu();
    void AppendMenuItem(HMENU menu, UINT id, const wchar_t* caption, HBITMAP image = nullptr);
    void RunCommand(int id, int code);
    void ShowSettingsList();
    void ResetToDefaults();
    void DeviceTest();
    bool TryDevice(std::wstring& message);
    void OpenCurrentDebugLog();
    void OpenDebugLogDirectory();
    void OpenWebAddress();
    void RunAdditionalAction(size_t index);
    void ShowHelpFile();
    // Context help
    void OnHelp(const HELPINFO& info);
    HWND ControlInQuestion() const;
    void ShowPopup(DWORD_PTR ID);

    bool OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnColour(HDC dc, HWND control, INT_PTR& brush);

    TBaseDevice& FDeviceManager;
    std::vector<TPageClass> FPageClasses;
    TPages FPages;
    std::wstring FCI_www;
    bool FHelpEnabled = false;
    std::wstring FHelpFile;
    bool FCapDeviceTest = false;
    bool FCapSetDefault = true;
    bool FCapShowHelp = false;
    bool FCapOpenDebugLog = true;

    // The dialog destroys its child windows and tool tips with itself.
    std::unique_ptr<TInformationTab> FInformation;
    HWND FToolTip = nullptr;
    std::map<HWND, std::wstring> FHints;
    TSettingsSnapshot FOpeningSettings;
    unique_hbrush FHeaderBrush;
    unique_hbitmap FLogo;
    unique_hbitmap FHelpImage;
    unique_hbitmap FActionImage;
};

} // namespace svcgate
