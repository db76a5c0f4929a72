#pragma once
// What the gateway client writes on the wire and shows to the cashier.

#include <cstddef>
#include <string>
#include <string_view>

namespace svcgate::GatewayTexts {

constexpr const wchar_t* SendFailed = L"Ошибка отправки запроса.";
constexpr const wchar_t* ParseFailed = L"Ошибка разбора ответа.";
constexpr const wchar_t* InformationNotFound = L"Запрошенная информация не найдена";
constexpr const wchar_t* NumberingExhausted = L"Нумерация платежей терминала исчерпана";
constexpr const wchar_t* UnknownResult = L"Неизвестная ошибка. Статус ответа - ";
// What the cashier is told of a payment that was sent without a verdict; each
// names the payment by its number, amount and masked account.
constexpr const wchar_t* PaymentNamed = L"Платёж № %d на сумму %ls по счёту %ls";
constexpr const wchar_t* PendingHeld =
    L"%ls, продажа которого была прервана, есть в шлюзе, его состояние: %ls. Не возвращайте "
    L"деньги покупателю, не сверив этот платёж. Повторите операцию, чтобы продолжить продажи.";
// A status the gateway does not define, named by its number alone.
constexpr const wchar_t* UndefinedStatus = L"состояние %u";
constexpr const wchar_t* PendingNotKnown =
    L"%ls: шлюз не сообщил, принят ли платёж (%ls). Не возвращайте деньги и не "
    L"продавайте заново, повторите ту же продажу.";
constexpr const wchar_t* PendingElsewhere =
    L"%ls отправлен на другой адрес шлюза (%ls) и ждёт его ответа: повторите продажу "
    L"там или обратитесь в поддержку.";
constexpr const wchar_t* PendingInFlight = L"%ls ещё отправляется с другой кассы.";
constexpr const wchar_t* PendingFileUnreadable =
    L"Файл неоконченных платежей терминала не читается, продажи остановлены до его проверки "
    L"поддержкой: %ls";
constexpr const wchar_t* PendingFileUnwritable =
    L"Платёж не отправлен: не удалось записать его в файл неоконченных платежей: %ls";
constexpr const wchar_t* PendingTooMany =
    L"Платёж не отправлен: слишком много платежей ждут ответа шлюза; обратитесь в поддержку.";
constexpr const wchar_t* HeldEventName = L"SvcGate";

constexpr const wchar_t* StatusError = L"Ошибка проведения платежа";
constexpr const wchar_t* StatusExecuting = L"Платеж проводится";
constexpr const wchar_t* StatusCompleted = L"Платеж проведен";
constexpr const wchar_t* StatusAuthorized = L"Платеж авторизован";

// The envelope: <request><auth/><client/><group><operation>...</operation></group></request>.
constexpr const wchar_t* Prolog = L"<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
constexpr const wchar_t* Software = L"Dezuri r0";
constexpr const wchar_t* SignAlgorithm = L"MD5";
constexpr const wchar_t* ResultAttribute = L"result";
constexpr const wchar_t* RequestElement = L"request";
constexpr const wchar_t* AuthElement = L"auth";
constexpr const wchar_t* AuthPath = L"//request/auth";
constexpr const wchar_t* LoginAttribute = L"login";
constexpr const wchar_t* SignAttribute = L"sign";
constexpr const wchar_t* SignAlgAttribute = L"signAlg";
constexpr const wchar_t* ClientElement = L"client";
constexpr const wchar_t* SoftwareAttribute = L"software";
constexpr const wchar_t* TerminalAttribute = L"terminal";

// The groups of operations and the operations.
namespace Groups {
constexpr const wchar_t* Providers = L"providers";
constexpr const wchar_t* Terminals = L"terminals";
constexpr const wchar_t* Agents = L"agents";
constexpr const wchar_t* System = L"system";
constexpr const wchar_t* Persons = L"persons";
} // namespace Groups

namespace Operations {
constexpr const wchar_t* AuthorizePayment = L"authorizePayment";
constexpr const wchar_t* AddOfflinePayment = L"addOfflinePayment";
constexpr const wchar_t* CheckPaymentRequisites = L"checkPaymentRequisites";
constexpr const wchar_t* GetPaymentStatus = L"getPaymentStatus";
constexpr const wchar_t* CancelPayment = L"cancelPayment";
constexpr const wchar_t* GetLastIds = L"getLastIds";
constexpr const wchar_t* GetConfigId = L"getConfigId";
constexpr const wchar_t* GetResultCodes = L"getResultCodes";
constexpr const wchar_t* GetUIProviders = L"getUIProviders";
constexpr const wchar_t* GetCommissions = L"getCommissions";
constexpr const wchar_t* GetCommissionProfiles = L"getCommissionProfiles";
constexpr const wchar_t* GetProviders = L"getProviders";
constexpr const wchar_t* GetAgentInfo = L"getAgentInfo";
constexpr const wchar_t* GetBalance = L"getBalance";
constexpr const wchar_t* NeedIdentifyUser = L"needIdentifyUser";
constexpr const wchar_t* SetIdentifyUser = L"setIdentifyUser";
constexpr const wchar_t* SetPublicKey = L"setPublicKey";
} // namespace Operations

// A payment: <payment id><from/><to/><receipt/><extras/></payment>, and the
// gateway's answer about it in the same element.
constexpr const wchar_t* PaymentElement = L"payment";
constexpr const wchar_t* FromElement = L"from";
constexpr const wchar_t* ToElement = L"to";
constexpr const wchar_t* ReceiptElement = L"receipt";
constexpr const wchar_t* ExtrasElement = L"extras";
constexpr const wchar_t* IdAttribute = L"id";
constexpr const wchar_t* CurrencyAttribute = L"currency";
constexpr const wchar_t* AmountAttribute = L"amount";
constexpr const wchar_t* ServiceAttribute = L"service";
constexpr const wchar_t* AccountAttribute = L"account";
constexpr const wchar_t* DateAttribute = L"date";
constexpr const wchar_t* StatusAttribute = L"status";
constexpr const wchar_t* UidAttribute = L"uid";
constexpr const wchar_t* CancelUidAttribute = L"uid2";
constexpr const wchar_t* FatalAttribute = L"fatal";
// The test provider's payments ask the gateway for no error and a short delay.
constexpr const wchar_t* TestErrorAttribute = L"error";
constexpr const wchar_t* TestDelayAttribute = L"delay";
constexpr const wchar_t* TestError = L"0";
constexpr const wchar_t* TestDelay = L"1";

// The other answers.
constexpr const wchar_t* LastPaymentElement = L"last-payment";
constexpr const wchar_t* ReceiptNumberAttribute = L"receipt-number";
constexpr const wchar_t* ConfigIdElement = L"id";
constexpr const wchar_t* RowElement = L"row";
constexpr const wchar_t* ErrorIdAttribute = L"err_id";
constexpr const wchar_t* ErrorTextAttribute = L"err_text";
constexpr const wchar_t* ProviderElement = L"provider";
constexpr const wchar_t* ProfileElement = L"profile";
constexpr const wchar_t* AgentElement = L"agent";
constexpr const wchar_t* IdentifyElement = L"identify";
constexpr const wchar_t* PhoneElement = L"phone";
constexpr const wchar_t* StoreTypeElement = L"store-type";
constexpr const wchar_t* PublicKeyElement = L"pubkey";
// The key is stored as the gateway's type 4.
constexpr const wchar_t* PublicKeyStoreType = L"4";

// The headers, in the order they go on the wire.
constexpr const wchar_t* AcceptEncoding = L"Accept-encoding";
constexpr const wchar_t* Identity = L"identity";
constexpr const wchar_t* UserAgent = L"User-Agent";
constexpr const wchar_t* DigitalSign = L"X-Digital-Sign";
constexpr const wchar_t* DigitalSignAlg = L"X-Digital-Sign-Alg";
constexpr const wchar_t* DigitalSignAlgorithm = L"MD5withRSA";
constexpr const wchar_t* DigitalSignLogin = L"X-Digital-Sign-Login";

// The cache of the data folder.
constexpr const wchar_t* SettingsFile = L"settings.sts";
constexpr const wchar_t* SettingsSection = L"OPTIONS";
constexpr const wchar_t* ConfigIDKey = L"TerminalConfigID";
constexpr const wchar_t* ResultCodesFile = L"rescodes.sl";
constexpr const wchar_t* ProvidersFile = L"providers.xml";

// A terminal's numbering and its registrations sent without the gateway's
// verdict, one file per terminal.
constexpr const wchar_t* PendingFilePrefix = L"pending-";
constexpr const wchar_t* PendingFileExtension = L".txt";

// The dumps of the last exchange in the data folder.
constexpr const wchar_t* RequestDump = L"Request.xml";
constexpr const wchar_t* ResponseDump = L"Response.xml";
// The debug log's line for a dump that could not be written.
constexpr const wchar_t* DumpSkipped = L"Dump skipped";

// The parameters of the payer's identification in the order they go out: all
// of them the payer's personal data, which the request dump masks, the phone also
// where it asks whether the payer must be identified.
constexpr const wchar_t* IdentifyUserParameters[] = {
    PhoneElement, L"first-name", L"middle-name", L"last-name", L"passport-number",
    L"inn",       L"snils",      L"oms",         L"birth-date"};

// "//group/operation", where an answer holds the operation's element, and a
// child element under a path.
inline std::wstring OperationPath(std::wstring_view group, std::wstring_view operation) {
    return L"//" + std::wstring(group) + L"/" + std::wstring(operation);
}
inline std::wstring ChildPath(std::wstring path, std::wstring_view child) {
    return path + L"/" + std::wstring(child);
}

} // namespace svcgate::GatewayTexts
