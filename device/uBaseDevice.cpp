#include "device/uBaseDevice.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Module.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uEquipmentErrors.h"
#include "device/uDeviceSettings.h"
#include "device/uDeviceTexts.h"
#include "device/uHostValues.h"
#include "frame/uDebugLog.h"
#include "frame/uDebugLogTexts.h"

#include <algorithm>

namespace svcgate {

using namespace DeviceTexts;

namespace {

constexpr const wchar_t* MessageWindowClass = L"TSvcGateDeviceWindow";

} // namespace

IDispatch* TBaseDevice::EqManager() const {
    return FEqManager.get();
}

void TBaseDevice::SetEnabled(bool value) {
    if (value == Enabled())
        return;
    if (value)
        Enable();
    else
        Disable();
}

std::int32_t TBaseDevice::DefaultTimeOut() const {
    return GetSettingValueInt(SettingDefaultTimeOut);
}

void TBaseDevice::SetDefaultTimeOut(std::int32_t value) {
    SetSettingValue(SettingDefaultTimeOut, MakeVariant(value).get());
}

bool TBaseDevice::EventLogEnabled() const {
    return GetSettingValueBool(SettingEventLogEnabled);
}

void TBaseDevice::SetEventLogEnabled(bool value) {
    SetSettingValue(SettingEventLogEnabled, MakeBoolVariant(value).get());
}

size_t TBaseDevice::SettingsCount() const {
    return SettingList().size();
}

std::wstring TBaseDevice::GetModelFolder() const {
    return FModelsFolder + FDeviceInfo.ModelID + L"\\";
}

TSettingStruct* TBaseDevice::GetSetting(size_t Index) {
    return Index < SettingList().size() ? &SettingList()[Index] : nullptr;
}

TAdditionalAction* TBaseDevice::GetAddAction(size_t Index) {
    return Index < FAdditionalActions.size() ? &FAdditionalActions[Index] : nullptr;
}

void TBaseDevice::Initialize() {
    TBaseObject::Initialize();
    SetDebugLogEnabled(false);
    FDebugLogDir.clear();
    CreateMessageWindow();
    DoCreate();
    FDeviceInfo = BaseDeviceInfo();
    DoSetupDeviceInfo();
    DoRegisterMethods();
    DoDeclareSettings();
    FDeviceState = dsCreated;
}

// Every step runs whatever an earlier one raised: the last one a driver adds
// releases what it owns, the gateway client among it.
void TBaseDevice::Destroy() {
    const auto guarded = [](auto&& step) {
        try {
            step();
        } catch (const std::exception&) {
        }
    };
    guarded([this] { Disable(); });
    DestroyMessageWindow();
    guarded([this] { DoDestroy(); });
    guarded([this] { TBaseObject::Destroy(); });
    FEqManager.reset();
    FWindows.clear();
}

void TBaseDevice::DoRegisterMethods() {
    RegisterPrivateMethod(L"Init", [this](SAFEARRAY* p) { return InitMethod(p); });
    RegisterPrivateMethod(L"Open", [this](SAFEARRAY* p) { return OpenMethod(p); });
    RegisterPrivateMethod(L"Close", [this](SAFEARRAY* p) { return CloseMethod(p); });
    RegisterPublicMethod(L"ShowSettingsDlg", [this](const VARIANT&, unique_variant&, std::int32_t,
                                                    std::wstring& description) {
        return ShowSettingsDlgMethod(description);
    });
    RegisterPublicMethod(L"GetDeviceInfo", [this](const VARIANT&, unique_variant& OutData,
                                                  std::int32_t, std::wstring&) {
        OutData = DeviceInfoArray(FDeviceInfo);
        return ResultCode::Success;
    });
    RegisterPublicMethod(L"Enable", [this](const VARIANT& InData, unique_variant& OutData,
                                           std::int32_t TimeOut, std::wstring& description) {
        return EnableHandler(InData, OutData, TimeOut, description);
    });
    RegisterPublicMethod(L"Disable", [this](const VARIANT& InData, unique_variant& OutData,
                                            std::int32_t TimeOut, std::wstring& description) {
        return DisableHandler(InData, OutData, TimeOut, description);
    });
    RegisterPublicMethod(L"GetSettings",
                         [this](const VARIANT&, unique_variant& OutData, std::int32_t,
                                std::wstring&) { return GetSettingsMethod(OutData); });
    RegisterPublicMethod(L"SetSettings", [this](const VARIANT& InData, unique_variant&,
                                                std::int32_t, std::wstring& description) {
        return SetSettingsMethod(InData, description);
    });
    RegisterPublicMethod(L"CheckHealth", [this](const VARIANT&, unique_variant&, std::int32_t,
                                                std::wstring& description) {
        description.clear();
        return DoCheckHealth(description);
    });
}

void TBaseDevice::DoDeclareSettings() {
    AddSettings(DeviceSettings::Declared);
}

namespace {

// "Init" and "Open" answer in their second argument, when the host passed one.
void ReportInSecondArgument(SAFEARRAY* paParams, std::int32_t code,
                            const std::wstring& description) {
    if (ElementCount(paParams) > 1)
        PutElement(paParams, 1, MakeVariant(EquipmentResultText(code, description)).get());
}

unique_variant FirstArgument(SAFEARRAY* paParams) {
    return ElementCount(paParams) > 0 ? GetElement(paParams, 0) : unique_variant();
}

} // namespace

unique_variant TBaseDevice::InitMethod(SAFEARRAY* paParams) {
    FEqManager.reset();
    std::int32_t code = ResultCode::BadInput;
    std::wstring description;
    unique_variant manager = FirstArgument(paParams);
    if (manager.vt() == VT_DISPATCH && V_DISPATCH(manager.addressof())) {
        FEqManager = com_ptr<IDispatch>::share(V_DISPATCH(manager.addressof()));
        code = DoInit(description);
    }
    ReportInSecondArgument(paParams, code, description);
    if (code == ResultCode::Success) {
        // Both are asked before anything changes, so a manager that fails to
        // answer leaves the device as it was.
        std::wstring models = IncludeTrailingPathDelimiter(GetAppProperty(PropertyModelsFolder));
        std::wstring language = GetAppProperty(PropertyLanguage);
        FDeviceState = dsInited;
        FModelsFolder = std::move(models);
        FLanguage = std::move(language);
    }
    return MakeBoolVariant(code == ResultCode::Success);
}

unique_variant TBaseDevice::OpenMethod(SAFEARRAY* paParams) {
    FDeviceID.clear();
    std::int32_t code = ResultCode::BadInput;
    std::wstring description;
    unique_variant id = FirstArgument(paParams);
    if (id.vt() == VT_BSTR) {
        FDeviceID = VariantToText(id.get());
        FDeviceFolder = GetDeviceFolder();
        code = DoOpen(description);
    }
    ReportInSecondArgument(paParams, code, description);
    return MakeBoolVariant(code == ResultCode::Success);
}

unique_variant TBaseDevice::CloseMethod(SAFEARRAY*) {
    DoBeforeClose();
    FDeviceID.clear();
    FEqManager.reset();
    DoAfterClose();
    return MakeBoolVariant(true);
}

std::int32_t TBaseDevice::ShowSettingsDlgMethod(std::wstring& ResultDescription) {
    ResultDescription.clear();
    if (!FDeviceInfo.IsSettingsDlgExist)
        return ResultCode::NotSupported;
    return DoShowSettings() ? ResultCode::Success : ResultCode::CancelledByUser;
}

std::int32_t TBaseDevice::EnableHandler(const VARIANT&, unique_variant&, std::int32_t,
                                        std::wstring& ResultDescription) {
    return Enable(ResultDescription);
}

std::int32_t TBaseDevice::DisableHandler(const VARIANT&, unique_variant&, std::int32_t,
                                         std::wstring& ResultDescription) {
    return DisableWithDescription(ResultDescription);
}

std::int32_t TBaseDevice::Enable(std::wstring& ResultDescription) {
    ResultDescription.clear();
    FDebugLogDir = FDeviceFolder;
    SetDebugLogEnabled(GetSettingValueBool(SettingDebugLogEnabled));
    const std::int32_t code = DoEnable(ResultDescription);
    if (code == ResultCode::Success)
        FDeviceState = dsEnabled;
    else if (ResultDescription.empty())
        ResultDescription = GetDriverResultDescription(code);
    return code;
}

std::int32_t TBaseDevice::Enable() {
    std::wstring ignored;
    return Enable(ignored);
}

std::int32_t TBaseDevice::Disable() {
    std::wstring ignored;
    return DisableWithDescription(ignored);
}

// Logging goes off with the device even when its disabling step fails.
std::int32_t TBaseDevice::DisableWithDescription(std::wstring& ResultDescription) {
    ResultDescription.clear();
    std::int32_t code = ResultCode::UnknownError;
    try {
        code = DoDisable(ResultDescription);
    } catch (...) {
        SetDebugLogEnabled(false);
        throw;
    }
    if (code == ResultCode::Success)
        FDeviceState = dsInited;
    SetDebugLogEnabled(false);
    return code;
}

std::int32_t TBaseDevice::DoEnable(std::wstring&) {
    return ResultCode::Success;
}

std::int32_t TBaseDevice::DoDisable(std::wstring&) {
    return ResultCode::Success;
}

std::int32_t TBaseDevice::DoInit(std::wstring&) {
    return ResultCode::Success;
}

std::int32_t TBaseDevice::DoOpen(std::wstring&) {
    return ResultCode::Success;
}

// Tries the device out of service too: enables it for the check and takes it
// back out afterwards.
std::int32_t TBaseDevice::DoCheckHealth(std::wstring& ResultDescription) {
    const bool wasEnabled = Enabled();
    const std::int32_t code = wasEnabled ? ResultCode::Success : Enable(ResultDescription);
    ResultDescription = GetDriverResultDescription(code);
    if (!wasEnabled)
        Disable();
    return code;
}

std::wstring TBaseDevice::GetDeviceVersion() {
    return FormatText(L"%d.%d.%d", FDeviceInfo.MajorVersion, FDeviceInfo.MinorVersion,
                      FDeviceInfo.BuildVersion);
}

bool TBaseDevice::DeviceTest(std::wstring& ResultDescription) {
    ResultDescription = EquipmentResultText(ResultCode::NotSupported);
    return false;
}

std::int32_t TBaseDevice::RunAdditionalAction(const std::wstring&,
                                              std::wstring& ResultDescription) {
    ResultDescription.clear();
    return ResultCode::Success;
}

// Stops at the first line the file refuses: a header with a gap would read as
// a whole one.
bool TBaseDevice::BeginDebugLog() {
    const TModuleVersion version = GetModuleVersion();
    using namespace DebugLogTexts;
    bool written =
        WriteDebugLog(std::wstring(HeaderBlankWidth, L' '), L"", true) &&
        WriteDebugLog(HeaderBegin, L"", true) &&
        WriteDebugLog(HeaderVersion,
                      FormatText(L"%d.%d.%d", version.Major, version.Minor, version.Build)) &&
        WriteDebugLog(HeaderDevice, FDeviceID) && WriteDebugLog(HeaderSettings, L"", true);
    for (const TSettingStruct& setting : SettingList())
        written = written && WriteDebugLog(setting.ID, IsSecretSetting(setting.ID)
                                                           ? CommonTexts::MaskedSecret
                                                           : LogText(setting.Value.get()));
    return written && WriteDebugLog(DebugLogTexts::HeaderEnd, L"", true);
}

void TBaseDevice::DeclareSecretSetting(std::wstring_view ID) {
    FSecretSettings.emplace_back(ID);
}

bool TBaseDevice::IsSecretSetting(std::wstring_view ID) const {
    return std::any_of(FSecretSettings.begin(), FSecretSettings.end(),
                       [&](const std::wstring& secret) { return SameText(secret, ID); });
}

LRESULT TBaseDevice::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(FDeviceHandle.get(), Msg, wParam, lParam);
}

LRESULT CALLBACK TBaseDevice::MessageWindowProc(HWND window, UINT msg, WPARAM wParam,
                                                LPARAM lParam) {
    auto* device = reinterpret_cast<TBaseDevice*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!device || device->FDeviceHandle.get() != window)
        return DefWindowProcW(window, msg, wParam, lParam);
    // No error may leave a window procedure.
    try {
        return device->WndProc(msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void TBaseDevice::CreateMessageWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MessageWindowProc;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = MessageWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();
    FDeviceHandle.reset(CreateWindowExW(0, MessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, ThisModule(), nullptr));
    if (!FDeviceHandle.get())
        RaiseLastOSError();
    SetWindowLongPtrW(FDeviceHandle.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

// The window forgets the object first: a message that arrives while it is
// destroyed, or later, never reaches an object on its way out.
void TBaseDevice::DestroyMessageWindow() {
    if (FDeviceHandle)
        SetWindowLongPtrW(FDeviceHandle.get(), GWLP_USERDATA, 0);
    FDeviceHandle.reset();
}

// The host's window must not take input while one of ours is modal over it.
void TBaseDevice::StoreFocus() {
    HWND window = GetForegroundWindow();
    FWindows.push_back(window);
    if (window)
        EnableWindow(window, FALSE);
}

void TBaseDevice::RestoreFocus() {
    if (FWindows.empty())
        return;
    HWND window = FWindows.back();
    if (window && IsWindow(window)) {
        EnableWindow(window, TRUE);
        if (GetForegroundWindow() != window) {
            SetForegroundWindow(window);
            SendMessageW(window, WM_SETFOCUS, 0, 0);
        }
    }
    FWindows.pop_back();
}

} // namespace svcgate
