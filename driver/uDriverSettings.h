#pragma once
// The gateway driver's own settings, declared after those of every equipment
// driver, in the order the host and the user see them.

#include "frame/uCOMSupport.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewaySettings.h"

namespace svcgate::DriverSettings {

using namespace GatewaySettings;

inline constexpr TSettingDeclaration Declared[] = {
    {SettingLogin, dtString, L"", L"Логин", L"Логин персоны"},
    {SettingPassword, dtString, L"", L"Пароль", L"Пароль персоны"},
    {SettingTerminalID, dtString, L"", L"ИД терминала", L"Идентификатор терминала"},
    {SettingServer1URL, dtString, DefaultServer1URL, L"Адрес сервера", L"Адрес севиса SvcGate"},
    {SettingSrvResponseTimeout, dtNumber, static_cast<std::int32_t>(DefaultResponseTimeoutMs),
     L"Таймаут сервера", L"Таймаут ответа от сервера в мс."},
    {SettingUseEToken, dtBoolean, false, L"Использовать eToken",
     L"Использовать авторизацию при помощи eToken"},
};

} // namespace svcgate::DriverSettings
