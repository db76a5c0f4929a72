#pragma once
// What the gateway driver shows the host and the cashier, and the names it
// registers; its settings are in uDriverSettings.h.

namespace svcgate::DriverTexts {

constexpr const wchar_t* ModelID = L"5B7E2C91-3D4A-4F08-9E61-A27C0D94B3F5";
constexpr const wchar_t* ModelName = L"Вельмора: Терминал услуг SvcGate";
constexpr const wchar_t* ProgID = L"OrtaEq.SvcGateServiceTerminal";
constexpr const wchar_t* Description = L"Драйвер терминала услуг SvcGate";
constexpr const wchar_t* ClassDescription = L"8.2 Equipment Driver 2.0";
constexpr const wchar_t* NoErrors = L"Нет ошибок";

constexpr const wchar_t* AccountParameter = L"account";
constexpr const wchar_t* IdentificationAttribute = L"identification";
constexpr const wchar_t* InitializeTerminalMethod = L"InitializeTerminal";
// The event type of a payment found held after its sale ended without a verdict:
// the one the driver base gives its own entries.
constexpr int HeldPaymentEventType = 1;

} // namespace svcgate::DriverTexts
