#pragma once
// The settings that configure the gateway client, as the driver declares them
// and its settings page edits them.

namespace svcgate::GatewaySettings {

constexpr const wchar_t* SettingLogin = L"Login";
// Held scrambled into hexadecimal digits.
constexpr const wchar_t* SettingPassword = L"Password";
constexpr const wchar_t* SettingTerminalID = L"TerminalID";
constexpr const wchar_t* SettingServer1URL = L"Server1URL";
constexpr const wchar_t* SettingSrvResponseTimeout = L"SrvResponseTimeout";
constexpr const wchar_t* SettingUseEToken = L"UseEToken";

// The gateway operator's endpoints: a client posts to the first until the driver's
// setting "Server1URL" names another, and only keeps the second.
constexpr const wchar_t* DefaultServer1URL = L"http://gate.svcgate.example/xmlgate/xml.jsp";
constexpr const wchar_t* DefaultServer2URL = L"http://gate2.svcgate.example/xmlgate/xml.jsp";

} // namespace svcgate::GatewaySettings
