#pragma once
// A settings page: a child dialog that the settings dialog embeds as one of its
// tabs. It reads the driver's settings table into its controls and writes them
// back; it may try the driver with the values typed so far.

#include "common/Owners.h"
#include "device/uBaseDevice.h"
#include "ui/uDialogs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace svcgate {

class TfrmCommonSettings;
class TfrmBaseSettings;

// A page "class": makes a page of its kind inside the dialog window for the driver.
using TPageClass =
    std::function<std::unique_ptr<TfrmBaseSettings>(HWND AOwner, TBaseDevice& ADeviceManager)>;

class TfrmBaseSettings {
public:
    virtual ~TfrmBaseSettings() = default;
    TfrmBaseSettings(const TfrmBaseSettings&) = delete;
    TfrmBaseSettings& operator=(const TfrmBaseSettings&) = delete;

    // A page of class T: its window from T's dialog template, then OnCreateFrm.
    template <class T, class... Args>
    static std::unique_ptr<T> Create(HWND AOwner, TBaseDevice& ADeviceManager, Args&&... args) {
        std::unique_ptr<T> page(new T(ADeviceManager, std::forward<Args>(args)...));
        page->CreateFromTemplate(AOwner, T::TemplateID);
        page->OnCreateFrm();
        return page;
    }

    TBaseDevice& DeviceManager() const { return FDeviceManager; }
    TfrmCommonSettings* OwnerFrm() const { return FOwnerFrm; }
    void SetOwnerFrm(TfrmCommonSettings* value) { FOwnerFrm = value; }
    HWND Handle() const { return FHandle.get(); }
    std::wstring Caption() const;

    // Clearing AllowColse refuses the save and keeps the dialog open.
    virtual void OnSaveSettings(bool& AllowColse) { AllowColse = true; }
    // The second step, run only after the first one allowed.
    virtual void OnSaveSettings() {}
    virtual void OnReadSettings() {}
    virtual void OnCreateFrm() {}
    virtual void OnNotify(const std::wstring&, const std::wstring&) {}

    // Try the driver with the values in the page's controls; pair each with DisableDevice.
    std::int32_t EnableDevice(const std::vector<std::wstring>& Settings,
                              std::wstring& ResultDescription);
    std::int32_t EnableDevice(const std::vector<std::wstring>& Settings);
    std::int32_t EnableDevice();
    std::int32_t EnableDevice(std::wstring& ResultDescription);
    void DisableDevice();
    void NotifyOwner(const std::wstring& Msg, const std::wstring& Data);

protected:
    explicit TfrmBaseSettings(TBaseDevice& ADeviceManager) : FDeviceManager(ADeviceManager) {}

    HWND Item(int id) const { return GetDlgItem(FHandle.get(), id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text);
    // A click or another notification of one of the page's controls.
    virtual void OnCommand(int, int) {}

private:
    void CreateFromTemplate(HWND AOwner, int templateID);
    std::int32_t EnableDeviceWith(const std::vector<std::wstring>* Settings,
                                  std::wstring& ResultDescription);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    TBaseDevice& FDeviceManager;
    TfrmCommonSettings* FOwnerFrm = nullptr;
    unique_hwnd FHandle;
    std::optional<TWaitCursor> FWaitCursor;
};

} // namespace svcgate
