#pragma once
// Texts the equipment driver base shows or sends, and the names it exchanges
// with the host and its equipment manager.

namespace svcgate::DeviceTexts {

constexpr const wchar_t* NoEquipmentManager = L"Менеджер оборудования недоступен";
constexpr const wchar_t* SettingsNotAMatrix = L"Настройки должны быть двумерным массивом";

constexpr const wchar_t* PropertyDevicesFolder = L"DevicesFolder";
constexpr const wchar_t* PropertyModelsFolder = L"ModelsFolder";
constexpr const wchar_t* PropertyLanguage = L"Language";

constexpr const wchar_t* SettingDefaultTimeOut = L"DefaultTimeOut";
constexpr const wchar_t* SettingEventLogEnabled = L"EventLogEnabled";
constexpr const wchar_t* SettingDebugLogEnabled = L"DebugLogEnabled";

} // namespace svcgate::DeviceTexts
