#pragma once
// The settings every equipment driver declares, in the order the host and the
// user see them; a driver appends its own table after these.

#include "device/uDeviceTexts.h"
#include "frame/uCOMSupport.h"

namespace svcgate::DeviceSettings {

inline constexpr TSettingDeclaration Declared[] = {
    {DeviceTexts::SettingDefaultTimeOut, dtNumber, 120, L"Таймаут по умолчанию",
     L"Таймаут по умолчанию. Используется в случае, если при вызове метода параметр Timeout "
     L"равен 0"},
    {DeviceTexts::SettingEventLogEnabled, dtBoolean, false, L"Журнал событий",
     L"Если равно True, ведется журнал критических событий и ошибок"},
    {DeviceTexts::SettingDebugLogEnabled, dtBoolean, false, L"Отладочный лог",
     L"Если равно True, ведется отладочный лог"},
};

} // namespace svcgate::DeviceSettings
