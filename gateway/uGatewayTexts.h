#pragma once
// What the gateway client writes on the wire and shows to the cashier.

namespace svcgate::GatewayTexts {

constexpr const wchar_t* SendFailed = L"Ошибка отправки запроса.";
constexpr const wchar_t* ParseFailed = L"Ошибка разбора ответа.";
constexpr const wchar_t* InformationNotFound = L"Запрошенная информация не найдена";
constexpr const wchar_t* NumberingExhausted = L"Нумерация платежей терминала исчерпана";
constexpr const wchar_t* UnknownResult = L"Неизвестная ошибка. Статус ответа - ";

constexpr const wchar_t* StatusError = L"Ошибка проведения платежа";
constexpr const wchar_t* StatusExecuting = L"Платеж проводится";
constexpr const wchar_t* StatusCompleted = L"Платеж проведен";
constexpr const wchar_t* StatusAuthorized = L"Платеж авторизован";

// The envelope.
constexpr const wchar_t* Prolog = L"<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
constexpr const wchar_t* Software = L"Dezuri r0";
constexpr const wchar_t* SignAlgorithm = L"MD5";
constexpr const wchar_t* ResultAttribute = L"result";

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

// A registration sent without the gateway's verdict, one file per terminal.
constexpr const wchar_t* PendingFilePrefix = L"pending-";
constexpr const wchar_t* PendingFileExtension = L".txt";

// The dumps of the last exchange in the data folder.
constexpr const wchar_t* RequestDump = L"Request.xml";
constexpr const wchar_t* ResponseDump = L"Response.xml";
// The debug log's line for a dump that could not be written.
constexpr const wchar_t* DumpSkipped = L"Dump skipped";
// The payer's personal data in the identification request, which the request
// dump shows as the mask.
constexpr const wchar_t* PersonalDataPaths[] = {
    L"//system/setIdentifyUser/passport-number", L"//system/setIdentifyUser/inn",
    L"//system/setIdentifyUser/snils", L"//system/setIdentifyUser/oms",
    L"//system/setIdentifyUser/birth-date"};

} // namespace svcgate::GatewayTexts
