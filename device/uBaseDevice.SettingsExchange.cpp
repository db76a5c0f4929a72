// The settings exchange with the host: the matrix of "GetSettings" and
// "SetSettings", the snapshot the dialogs undo with, and the host properties.

#include "common/CommonTexts.h"
#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uEquipmentErrors.h"
#include "device/uBaseDevice.h"
#include "device/uDeviceTexts.h"
#include "device/uHostValues.h"
#include "frame/uDebugLog.h"

namespace svcgate {

using namespace DeviceTexts;

namespace {

enum MatrixRow : long {
    rowID,
    rowValue,
    rowType,
    rowDefault,
    rowReadOnly,
    rowName,
    rowDescription
};
constexpr long MatrixRows = 7;

// The matrix of an exchange value, a copy the caller owns; empty when the value
// holds no matrix with at least the ID and value rows.
unique_safearray SettingsMatrixOf(const VARIANT& exchange) {
    SAFEARRAY* outer = ArrayOf(exchange);
    if (ElementCount(outer) < 1)
        return {};
    unique_variant matrix = GetElement(outer, 0);
    SAFEARRAY* array = ArrayOf(matrix.get());
    if (!array || SafeArrayGetDim(array) != 2 || LowerBound(array, 1) > rowID ||
        UpperBound(array, 1) < rowValue)
        return {};
    unique_safearray owned;
    CheckHResult(SafeArrayCopy(array, owned.put()));
    return owned;
}

} // namespace

unique_variant TBaseDevice::SettingsMatrix() {
    const auto& settings = SettingList();
    unique_safearray matrix = CreateVariantMatrix(MatrixRows, static_cast<long>(settings.size()));
    for (long j = 0; j < static_cast<long>(settings.size()); ++j) {
        const TSettingStruct& setting = settings[static_cast<size_t>(j)];
        PutElement(matrix.get(), rowID, j, MakeVariant(setting.ID).get());
        PutElement(matrix.get(), rowValue, j, setting.Value.get());
        PutElement(matrix.get(), rowType, j, MakeVariant(DataTypeName(setting.ValueType)).get());
        PutElement(matrix.get(), rowDefault, j, setting.Default.get());
        PutElement(matrix.get(), rowReadOnly, j, MakeBoolVariant(setting.ReadOnly).get());
        PutElement(matrix.get(), rowName, j, MakeVariant(setting.Name).get());
        PutElement(matrix.get(), rowDescription, j, MakeVariant(setting.Description).get());
    }
    return MakeVariantArray(MakeArrayVariant(std::move(matrix)));
}

std::int32_t TBaseDevice::GetSettingsMethod(unique_variant& OutData) {
    OutData = SettingsMatrix();
    return ResultCode::Success;
}

// An ID without a text form names no setting, like an unknown one.
std::int32_t TBaseDevice::SetSettingsMethod(const VARIANT& InData,
                                            std::wstring& ResultDescription) {
    if (!IsArray(InData))
        return ResultCode::BadInput;
    unique_safearray matrix = SettingsMatrixOf(InData);
    if (!matrix) {
        ResultDescription = SettingsNotAMatrix;
        return ResultCode::BadInput;
    }
    for (long j = LowerBound(matrix.get(), 2); j <= UpperBound(matrix.get(), 2); ++j) {
        const auto ID = TryConvertVariant(GetElement(matrix.get(), rowID, j).get(), VT_BSTR);
        if (TSettingStruct* setting = ID ? FindSetting(VariantToText(ID->get())) : nullptr)
            setting->Value = GetElement(matrix.get(), rowValue, j);
    }
    DoSettingsChanged();
    return ResultCode::Success;
}

// The exchange value as the log shows it: the values of secret settings
// replaced, wherever the host put them.
unique_variant TBaseDevice::MaskedSettings(const VARIANT& exchange) {
    unique_safearray matrix = SettingsMatrixOf(exchange);
    if (!matrix)
        return unique_variant::copy_of(exchange);
    const long lastRow = UpperBound(matrix.get(), 1);
    for (long j = LowerBound(matrix.get(), 2); j <= UpperBound(matrix.get(), 2); ++j) {
        const unique_variant ID = GetElement(matrix.get(), rowID, j);
        if (ID.vt() != VT_BSTR || !IsSecretSetting(VariantToText(ID.get())))
            continue;
        for (long row : {rowValue, rowDefault})
            if (row <= lastRow)
                PutElement(matrix.get(), row, j, MakeVariant(CommonTexts::MaskedSecret).get());
    }
    return MakeVariantArray(MakeArrayVariant(std::move(matrix)));
}

// Both ways: the host gives the table to "SetSettings" and takes it from "GetSettings".
std::wstring TBaseDevice::CallDataLogText(std::wstring_view methodName, TCallData,
                                          const VARIANT& data) {
    const bool settingsExchange =
        SameText(methodName, L"GetSettings") || SameText(methodName, L"SetSettings");
    if (!settingsExchange || FSecretSettings.empty())
        return LogText(data);
    // A malformed exchange fails the call itself; the log shows it as the host gave it.
    return LogText(MaskedSettings(data).get());
}

TSettingsSnapshot TBaseDevice::SettingsSnapshot() const {
    TSettingsSnapshot snapshot;
    for (const TSettingStruct& setting : SettingList())
        snapshot.push_back({setting.ID, setting.Value.copy()});
    return snapshot;
}

void TBaseDevice::RestoreSettings(const TSettingsSnapshot& Snapshot) {
    for (const TShortSettingStruct& saved : Snapshot)
        if (TSettingStruct* setting = FindSetting(saved.ID))
            setting->Value = saved.Value.copy();
}

void TBaseDevice::StoreSettings() {
    FBufSettings = SettingsSnapshot();
}

void TBaseDevice::StoreSettings(const std::vector<std::wstring>& IDs) {
    FBufSettings.clear();
    for (const std::wstring& ID : IDs) {
        const TSettingStruct* setting = FindSetting(ID);
        FBufSettings.push_back({ID, setting ? setting->Value.copy() : unique_variant()});
    }
}

void TBaseDevice::RestoreSettings() {
    RestoreSettings(FBufSettings);
    FBufSettings.clear();
}

IDispatch* TBaseDevice::RequireEqManager() const {
    if (!FEqManager)
        throw Exception(NoEquipmentManager);
    return FEqManager.get();
}

std::wstring TBaseDevice::GetAppProperty(std::wstring_view PropName) {
    IDispatch* manager = RequireEqManager();
    unique_bstr deviceID(FDeviceID), name(PropName), value(L"");
    std::vector<unique_variant> arguments;
    for (unique_bstr* text : {&deviceID, &name, &value})
        arguments.push_back(MakeReference(VT_BSTR, text->addressof()));
    const unique_variant answer = InvokeMethod(manager, L"GetAppProperty", std::move(arguments));
    return VariantToBool(answer.get()) ? value.str() : std::wstring();
}

std::wstring TBaseDevice::GetDeviceFolder() {
    const std::wstring devices = GetAppProperty(PropertyDevicesFolder);
    if (devices.empty() || FDeviceID.empty())
        return L"";
    return IncludeTrailingPathDelimiter(devices) + FDeviceID + L"\\";
}

} // namespace svcgate
