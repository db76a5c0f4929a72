#pragma once
// A settings page: a child dialog that the settings dialog embeds as one of its
// tabs. It reads the driver's settings table into its controls and writes them
// back; it may try the driver with the values typed so far.

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

class TfrmBaseSettings : public Dialog {
public:
    // A page of class T: its window from T's dialog template, built by OnCreateFrm.
    template <class T, class... Args>
    static std::unique_ptr<T> Create(HWND AOwner, TBaseDevice& ADeviceManager, Args&&... args) {
        std::unique_ptr<T> page(new T(ADeviceManager, std::forward<Args>(args)...));
        static_cast<TfrmBaseSettings&>(*page).CreateChild(AOwner, T::TemplateID);
        return page;
    }

    TBaseDevice& DeviceManager() const { return FDeviceManager; }
    TfrmCommonSettings* OwnerFrm() const { return FOwnerFrm; }
    void SetOwnerFrm(TfrmCommonSettings* value) { FOwnerFrm = value; }
    std::wstring Caption() const { return WindowText(Handle()); }

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

    // A click or another notification of one of the page's controls.
    virtual void OnCommand(int, int) {}

private:
    void OnInitDialog() override { OnCreateFrm(); }
    bool OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    std::int32_t EnableDeviceWith(const std::vector<std::wstring>* Settings,
                                  std::wstring& ResultDescription);

    TBaseDevice& FDeviceManager;
    TfrmCommonSettings* FOwnerFrm = nullptr;
    std::optional<TWaitCursor> FWaitCursor;
};

} // namespace svcgate
