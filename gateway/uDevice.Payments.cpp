// The operations that move money, and the terminal's payment numbering.

#include "common/uEquipmentErrors.h"
#include "common/Text.h"
#include "common/uCommonUtils.h"
#include "gateway/GatewayValues.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayTexts.h"

namespace svcgate {

using namespace GatewayTexts;

namespace {

const wchar_t* PaymentOperation(TPaymentMode mode) {
    switch (mode) {
    case pmOnLine:
        return L"authorizePayment";
    case pmOffLine:
        return L"addOfflinePayment";
    default:
        return L"checkPaymentRequisites";
    }
}

// The gateway's status numbers are the ordinals of the statuses; another number
// is kept as it came, in a byte.
TPaymentStatus StatusAt(const XmlDocument& Doc, const std::wstring& path) {
    return static_cast<TPaymentStatus>(
        DecimalCode(ReadXmlValue(Doc, path, L"status", L"0")).value_or(0));
}

std::wstring ReceiptDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return FormatText(L"%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                      now.wMinute, now.wSecond);
}

std::wstring PaymentPath(const std::wstring& operation) {
    return L"//providers/" + operation + L"/payment";
}

} // namespace

std::int32_t TDevice::NotFound() {
    FLastResultDescription = InformationNotFound;
    return ResultCode::UnknownError;
}

void TDevice::AddPaymentElements(XmlDocument& Doc, const std::wstring& PaymentPath,
                                 const TProvider& Provider, Currency AmountFrom, Currency AmountTo,
                                 const std::wstring& Account,
                                 const std::vector<std::wstring>& Extras) {
    SetAttributeAt(Doc, PaymentPath, L"id", std::to_wstring(FTransactNum));
    AppendElementAt(Doc, PaymentPath, L"from", {FCurrencyCode, CurrencyToText(AmountFrom)},
                    {L"currency", L"amount"});
    AppendElementAt(
        Doc, PaymentPath, L"to",
        {Provider.CurrencyCode(), CurrencyToText(AmountTo), Provider.ProviderID(), Account},
        {L"currency", L"amount", L"service", L"account"});
    AppendElementAt(Doc, PaymentPath, L"receipt", {ReceiptDate(), std::to_wstring(FReceiptNum)},
                    {L"date", L"id"});
    if (!Extras.empty()) {
        const XmlNode extras = AppendElementAt(Doc, PaymentPath, L"extras", {}, {});
        for (const std::wstring& line : Extras) {
            const size_t equals = line.find(L'=');
            SetNodeAttribute(Doc, extras, line.substr(0, equals),
                             equals == std::wstring::npos ? L"" : line.substr(equals + 1));
        }
    }
    if (Provider.ProviderID() == TestProviderID)
        AppendElementAt(Doc, PaymentPath, L"extras", {L"0", L"1"}, {L"error", L"delay"});
}

std::int32_t TDevice::AuthorizePayment(Currency AmountFrom, Currency AmountTo,
                                       const std::wstring& ProviderID, const std::wstring& Account,
                                       const std::vector<std::wstring>& Extras,
                                       TPaymentMode PaymentMode, TPaymentStatus& PaymentStatus,
                                       std::int32_t& PaymentID, std::wstring& TransactionID) {
    TransactionID.clear();
    const std::wstring operation = PaymentOperation(PaymentMode);
    const std::wstring paymentPath = PaymentPath(operation);
    PaymentID = FTransactNum;
    const TProvider* provider = FProviders.GetItemByID(ProviderID);
    if (!provider)
        return NotFound();
    if (FNumberingUnsure) {
        if (const std::int32_t result = GetLastIds(); result != ResultCode::Success)
            return result;
        PaymentID = FTransactNum;
    }
    XmlDocument Doc;
    CreateRequest(L"providers", operation, Doc, {L""}, {L"payment"});
    AddPaymentElements(Doc, paymentPath, *provider, AmountFrom, AmountTo, Account, Extras);
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, L"//providers/" + operation);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, paymentPath);
    PaymentStatus = StatusAt(Doc, paymentPath);
    TransactionID = ReadXmlValue(Doc, paymentPath, L"uid", L"");
    // A registered payment consumes its numbers; a check or a refusal does not,
    // so a failed registration is retried with the same ones. A registration
    // that ended without the gateway's verdict (no answer, a lost or unreadable
    // one) may have been taken all the same: retrying its number would then be
    // refused for ever, so the gateway is asked for its numbers first.
    if (PaymentMode != pmCheck && result == ResultCode::Success) {
        ++FTransactNum;
        ++FReceiptNum;
    } else if (PaymentMode != pmCheck) {
        std::wstring verdict;
        FNumberingUnsure = GetResponseResult(Doc, paymentPath, verdict) == -1;
    }
    return result;
}

std::int32_t TDevice::GetPaymentStatus(std::int32_t PaymentID, std::int32_t& ResultCode,
                                       std::wstring& ResultCodeDescription,
                                       TPaymentStatus& PaymentStatus, bool& Fatal) {
    ResultCodeDescription.clear();
    PaymentStatus = psError;
    Fatal = false;
    ResultCode = -1;
    const std::wstring paymentPath = PaymentPath(L"getPaymentStatus");
    XmlDocument Doc;
    CreateRequest(L"providers", L"getPaymentStatus", Doc, {L""}, {L"payment"});
    SetAttributeAt(Doc, paymentPath, L"id", std::to_wstring(PaymentID));
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, L"//providers/getPaymentStatus");
    if (result != ResultCode::Success)
        return result;
    ResultCode = GetResponseResult(Doc, paymentPath, ResultCodeDescription);
    PaymentStatus = StatusAt(Doc, paymentPath);
    Fatal = FlagOf(ReadXmlValue(Doc, paymentPath, L"fatal", L"False"));
    return result;
}

std::int32_t TDevice::CancelPayment(std::int32_t PaymentID, const std::wstring& TransactionID,
                                    TPaymentStatus& PaymentStatus,
                                    std::wstring& CanselTransactionID) {
    CanselTransactionID.clear();
    const std::wstring paymentPath = PaymentPath(L"cancelPayment");
    XmlDocument Doc;
    CreateRequest(L"providers", L"cancelPayment", Doc, {L""}, {L"payment"});
    if (!TransactionID.empty())
        SetAttributeAt(Doc, paymentPath, L"uid", TransactionID);
    if (PaymentID != -1)
        SetAttributeAt(Doc, paymentPath, L"id", std::to_wstring(PaymentID));
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, L"//providers/cancelPayment");
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, paymentPath);
    PaymentStatus = StatusAt(Doc, paymentPath);
    CanselTransactionID = ReadXmlValue(Doc, paymentPath, L"uid2", L"");
    return result;
}

std::int32_t TDevice::GetLastIds() {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(L"terminals", L"getLastIds", Doc);
    if (result != ResultCode::Success)
        return result;
    const XmlNode last = Doc.SelectSingleNode(L"//terminals/getLastIds/last-payment");
    if (!last)
        return NotFound();
    FTransactNum = DecimalCode(ReadNodeAttribute(last, L"id", L"")).value_or(0) + 1;
    FReceiptNum = DecimalCode(ReadNodeAttribute(last, L"receipt-number", L"")).value_or(0) + 1;
    FNumberingUnsure = false;
    return result;
}

} // namespace svcgate
