#pragma once
// The names the catalogue reads in the gateway's answers and writes into the
// cache file, and the test provider's texts.

namespace svcgate::CatalogueTexts {

// The test provider's name and its one field.
constexpr const wchar_t* TestProviderName = L"Тестирование XML-протокола";
constexpr const wchar_t* TestControlName = L"account";

// The rouble, for a provider or a terminal whose currency the gateway does not name.
constexpr const wchar_t* DefaultCurrencyCode = L"643";
constexpr const wchar_t* NeedPersonalInfoTrue = L"1";
constexpr const wchar_t* NeedPersonalInfoFalse = L"0";
constexpr const wchar_t* DescriptionLineBreak = L"\r\n";

// The gateway's provider and commission rows.
constexpr const wchar_t* RowFiscalName = L"fiscal-name";
constexpr const wchar_t* RowLongName = L"long-name";
constexpr const wchar_t* RowProviderID = L"prv-id";
constexpr const wchar_t* RowINN = L"prv-inn";
constexpr const wchar_t* RowSupportPhone = L"prv-support-phone";
constexpr const wchar_t* RowReceiptName = L"receipt-name";
constexpr const wchar_t* RowShortName = L"short-name";
constexpr const wchar_t* RowMaxAmount = L"max-amount";
constexpr const wchar_t* RowMinAmount = L"min-amount";

// The "provider" elements of the gateway and of the cache file.
constexpr const wchar_t* Providers = L"providers";
constexpr const wchar_t* Provider = L"provider";
constexpr const wchar_t* ID = L"id";
constexpr const wchar_t* FiscalName = L"fiscalName";
constexpr const wchar_t* LongName = L"lName";
constexpr const wchar_t* INN = L"inn";
constexpr const wchar_t* SupportPhone = L"supportPhone";
constexpr const wchar_t* ReceiptName = L"receiptName";
constexpr const wchar_t* ShortName = L"sName";
constexpr const wchar_t* CurrencyCode = L"curId";
constexpr const wchar_t* MaxAmount = L"maxSum";
constexpr const wchar_t* MinAmount = L"minSum";
constexpr const wchar_t* NeedPersonalInfo = L"needPersonalInfo";
constexpr const wchar_t* FixCommission = L"fix-com";
constexpr const wchar_t* ComissionProfileID = L"profile-id";
constexpr const wchar_t* Pages = L"pages";
constexpr const wchar_t* Page = L"page";
constexpr const wchar_t* Controls = L"controls";
constexpr const wchar_t* Control = L"control";

// A "control" element.
constexpr const wchar_t* ControlName = L"name";
constexpr const wchar_t* Header = L"header";
constexpr const wchar_t* Footer = L"footer";
constexpr const wchar_t* Mask = L"mask";
constexpr const wchar_t* Type = L"type";
constexpr const wchar_t* TextInput = L"text_input";
constexpr const wchar_t* DisplayType = L"disp_type";
constexpr const wchar_t* Identification = L"identification";

// A "profile" element and its "profile-data" rules.
constexpr const wchar_t* Profile = L"profile";
constexpr const wchar_t* ProfileData = L"profile-data";
constexpr const wchar_t* Order = L"order";
constexpr const wchar_t* ComFix = L"com-fix";
constexpr const wchar_t* ComPercent = L"com-percent";
constexpr const wchar_t* FromAmount = L"from-amount";
constexpr const wchar_t* ToAmount = L"to-amount";
constexpr const wchar_t* ComMin = L"com-min";
constexpr const wchar_t* ComMax = L"com-max";
constexpr const wchar_t* FromHour = L"from-hour";
constexpr const wchar_t* ToHour = L"to-hour";

} // namespace svcgate::CatalogueTexts
