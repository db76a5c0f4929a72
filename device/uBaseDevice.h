#pragma once
// The base of every equipment driver: the ten host methods all equipment
// answers, the device state, the link to the host's equipment manager, and the
// virtual steps a concrete driver fills in.

#include "common/Owners.h"
#include "device/uDeviceInfo.h"
#include "frame/uCOMSupport.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace svcgate {

enum TDeviceState { dsCreated, dsInited, dsEnabled, dsUnknown };

struct TAdditionalAction {
    std::wstring ID;
    std::wstring Caption;
};

struct TShortSettingStruct {
    std::wstring ID;
    unique_variant Value;
};

// Values of settings at one moment, to put back later.
using TSettingsSnapshot = std::vector<TShortSettingStruct>;

class TBaseDevice : public TBaseObject {
public:
    TDeviceState DeviceState() const { return FDeviceState; }
    const TDeviceInfoStruct& DeviceInfo() const { return FDeviceInfo; }
    IDispatch* EqManager() const;
    const std::wstring& DeviceID() const { return FDeviceID; }
    bool Enabled() const { return FDeviceState == dsEnabled; }
    void SetEnabled(bool value);
    std::int32_t DefaultTimeOut() const;
    void SetDefaultTimeOut(std::int32_t value);
    bool EventLogEnabled() const;
    void SetEventLogEnabled(bool value);
    size_t SettingsCount() const;
    size_t AddActionsCount() const { return FAdditionalActions.size(); }
    HWND DeviceHandle() const { return FDeviceHandle.get(); }

    TSettingStruct* GetSetting(size_t Index);
    TAdditionalAction* GetAddAction(size_t Index);

    std::int32_t Enable(std::wstring& ResultDescription);
    std::int32_t Enable();
    std::int32_t Disable();
    virtual std::int32_t DisableWithDescription(std::wstring& ResultDescription);
    virtual std::wstring GetDeviceVersion();
    virtual bool DeviceTest(std::wstring& ResultDescription);
    virtual std::int32_t RunAdditionalAction(const std::wstring& ID,
                                             std::wstring& ResultDescription);

    // The settings snapshot the dialogs undo with, once.
    void StoreSettings();
    void StoreSettings(const std::vector<std::wstring>& IDs);
    void RestoreSettings();
    // A snapshot of every setting, which its holder may put back any time.
    TSettingsSnapshot SettingsSnapshot() const;
    void RestoreSettings(const TSettingsSnapshot& Snapshot);

    // Host properties and the folders made of them.
    std::wstring GetAppProperty(std::wstring_view PropName);
    std::wstring GetDeviceFolder();
    std::wstring GetModelFolder() const;
    std::wstring GetLanguage() const { return FLanguage; }
    // The device's own folder, fixed at "Open"; GetDeviceFolder asks the host anew.
    const std::wstring& DeviceFolder() const { return FDeviceFolder; }

    // Calls to the equipment manager.
    bool WriteLog(const std::wstring& Name, const std::wstring& Text, std::int32_t EventType);
    bool DataEvent(const std::wstring& Event, const std::wstring& Data, const VARIANT& ExtData);
    bool DataEvent(const std::wstring& Event, const std::wstring& Data);
    bool ErrorEvent(const std::wstring& ErrorName, const std::wstring& Description,
                    const VARIANT& ExtData);
    bool TaskState(std::int32_t aPercent, const std::wstring& aDescription);
    std::int32_t ShowMessageDlg(const std::wstring& MsgText, std::int32_t MsgType,
                                std::int32_t MsgButtons, std::int32_t MsgTimeout);
    std::wstring InputDataDlg(const std::wstring& Caption, const std::wstring& DefaultData,
                              const std::wstring& Description, const std::wstring& Mask,
                              bool Password, std::int32_t TimeOut);

    void StoreFocus();
    void RestoreFocus();

protected:
    void Initialize() override;
    void Destroy() override;
    bool BeginDebugLog() override;
    std::wstring CallDataLogText(std::wstring_view methodName, TCallData which,
                                 const VARIANT& data) override;

    virtual std::int32_t EnableHandler(const VARIANT& InData, unique_variant& OutData,
                                       std::int32_t TimeOut, std::wstring& ResultDescription);
    virtual std::int32_t DisableHandler(const VARIANT& InData, unique_variant& OutData,
                                        std::int32_t TimeOut, std::wstring& ResultDescription);
    virtual void DoDeclareSettings();
    virtual void DoRegisterMethods();
    virtual void DoSettingsChanged() {}
    virtual void DoSetupDeviceInfo() {}
    virtual std::int32_t DoEnable(std::wstring& ResultDescription);
    virtual std::int32_t DoDisable(std::wstring& ResultDescription);
    virtual std::int32_t DoCheckHealth(std::wstring& ResultDescription);
    virtual bool DoShowSettings() { return false; }
    virtual void DoCreate() {}
    virtual void DoDestroy() {}
    virtual std::int32_t DoInit(std::wstring& ResultDescription);
    virtual std::int32_t DoOpen(std::wstring& ResultDescription);
    virtual void DoAfterClose() {}
    virtual void DoBeforeClose() {}
    virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);

    // A setting whose value the debug log never shows.
    void DeclareSecretSetting(std::wstring_view ID);

    TDeviceInfoStruct FDeviceInfo;
    std::vector<TAdditionalAction> FAdditionalActions;

private:
    unique_variant InitMethod(SAFEARRAY* paParams);
    unique_variant OpenMethod(SAFEARRAY* paParams);
    unique_variant CloseMethod(SAFEARRAY* paParams);
    std::int32_t ShowSettingsDlgMethod(std::wstring& ResultDescription);
    std::int32_t GetSettingsMethod(unique_variant& OutData);
    std::int32_t SetSettingsMethod(const VARIANT& InData, std::wstring& ResultDescription);
    unique_variant SettingsMatrix();
    bool IsSecretSetting(std::wstring_view ID) const;
    unique_variant MaskedSettings(const VARIANT& exchange);
    IDispatch* RequireEqManager() const;
    void CreateMessageWindow();
    void DestroyMessageWindow();
    static LRESULT CALLBACK MessageWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    TDeviceState FDeviceState = dsCreated;
    std::vector<HWND> FWindows;
    std::wstring FModelsFolder;
    TSettingsSnapshot FBufSettings;
    com_ptr<IDispatch> FEqManager;
    std::wstring FDeviceID;
    std::wstring FDeviceFolder;
    std::wstring FLanguage;
    unique_hwnd FDeviceHandle;
    std::vector<std::wstring> FSecretSettings;
};

} // namespace svcgate
