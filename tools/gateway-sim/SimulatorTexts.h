#pragma once
// What the simulator says besides result codes, in one place.

#include <utility>

namespace svcgate::tools {

// The one dealer of the simulated gateway, attribute by attribute, in UTF-8.
inline constexpr std::pair<const char*, const char*> AgentAttributes[] = {
    {"id", "1"},
    {"name", "ООО \"Симулятор шлюза\""},
    {"fio", "Иванов Иван Иванович"},
    {"address", "г. Москва, ул. Тестовая, д. 1"},
    {"inn", "7700000000"},
    {"phone", "+74950000000"},
    {"www", "http://127.0.0.1/"},
    {"cnt-phone", "+74950000001"},
    {"cnt-email", "support@example.com"},
    {"info", "Симулятор шлюза SvcGate"},
    {"cur-id", "643"}};

// Payers whose phone starts so must be identified.
inline constexpr const wchar_t* IdentifiedPhonePrefix = L"+7999";

// What a proxy in front of the gateway answers when the gateway is down.
inline constexpr const char* ProxyErrorPage =
    "<html><head><title>502 Bad Gateway</title></head>"
    "<body><h1>Bad Gateway</h1><p>The gateway did not answer.</p></body></html>";

// The payment identifier the simulator gives a payment and its cancellation.
inline constexpr const wchar_t* PaymentUidPrefix = L"SIM-";
inline constexpr const wchar_t* CancellationUidPrefix = L"SIM-C-";

} // namespace svcgate::tools
