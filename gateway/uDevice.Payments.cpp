// The operations that move money, and the terminal's payment numbering.

#include "common/Text.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "common/uEquipmentErrors.h"
#include "gateway/GatewayValues.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewayTexts.h"

#include <algorithm>

namespace svcgate {

using namespace GatewayTexts;

namespace {

const wchar_t* PaymentOperation(TPaymentMode mode) {
    switch (mode) {
    case pmOnLine:
        return Operations::AuthorizePayment;
    case pmOffLine:
        return Operations::AddOfflinePayment;
    default:
        return Operations::CheckPaymentRequisites;
    }
}

// The gateway's status numbers are the ordinals of the statuses; another number
// is kept as it came, in a byte.
TPaymentStatus StatusAt(const XmlDocument& Doc, const std::wstring& path) {
    return static_cast<TPaymentStatus>(
        DecimalCode(ReadXmlValue(Doc, path, StatusAttribute, L"0")).value_or(0));
}

std::wstring ReceiptDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return FormatText(L"%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                      now.wMinute, now.wSecond);
}

// A last number the gateway does not give is 0. One that is not a number is no
// numbering: taken as 0, it would send sales under numbers the gateway holds.
std::optional<std::int32_t> LastNumber(const std::wstring& text) {
    return text.empty() ? 0 : DecimalCode(text);
}

std::wstring PaymentPath(const std::wstring& operation) {
    return ChildPath(OperationPath(Groups::Providers, operation), PaymentElement);
}

} // namespace

std::int32_t TDevice::NotFound() {
    FLastResultDescription = InformationNotFound;
    return ResultCode::UnknownError;
}

void TDevice::AddPaymentElements(XmlDocument& Doc, const std::wstring& PaymentPath,
                                 const TProvider& Provider, const PendingRegistration& Sale) {
    SetAttributeAt(Doc, PaymentPath, IdAttribute, std::to_wstring(Sale.PaymentID));
    AppendElementAt(Doc, PaymentPath, FromElement, {FCurrencyCode, CurrencyToText(Sale.AmountFrom)},
                    {CurrencyAttribute, AmountAttribute});
    AppendElementAt(Doc, PaymentPath, ToElement,
                    {Provider.CurrencyCode(), CurrencyToText(Sale.AmountTo), Provider.ProviderID(),
                     Sale.Account},
                    {CurrencyAttribute, AmountAttribute, ServiceAttribute, AccountAttribute});
    AppendElementAt(Doc, PaymentPath, ReceiptElement,
                    {ReceiptDate(), std::to_wstring(Sale.ReceiptNum)},
                    {DateAttribute, IdAttribute});
    if (!Sale.Extras.empty()) {
        const XmlNode extras = AppendElementAt(Doc, PaymentPath, ExtrasElement, {}, {});
        for (const std::wstring& line : Sale.Extras) {
            const size_t equals = line.find(L'=');
            SetNodeAttribute(Doc, extras, line.substr(0, equals),
                             equals == std::wstring::npos ? L"" : line.substr(equals + 1));
        }
    }
    if (Provider.ProviderID() == TestProviderID)
        AppendElementAt(Doc, PaymentPath, ExtrasElement, {TestError, TestDelay},
                        {TestErrorAttribute, TestDelayAttribute});
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
    PendingRegistration sale{FServer1URL, FTransactNum, FReceiptNum, ProviderID,
                             Account,     AmountFrom,   AmountTo,    Extras};
    bool retry = false;
    if (const std::int32_t result = NumberSale(sale, retry); result != ResultCode::Success)
        return result;
    PaymentID = sale.PaymentID;
    // A retry's requisites were checked before it was first sent; the gateway
    // may hold it already, and only the registration can tell.
    if (retry && PaymentMode == pmCheck) {
        PaymentStatus = psAutorized;
        return ResultCode::Success;
    }
    XmlDocument Doc;
    CreateRequest(Groups::Providers, operation, Doc, {L""}, {PaymentElement});
    AddPaymentElements(Doc, paymentPath, *provider, sale);
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, OperationPath(Groups::Providers, operation));
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, paymentPath);
    PaymentStatus = StatusAt(Doc, paymentPath);
    TransactionID = ReadXmlValue(Doc, paymentPath, UidAttribute, L"");
    if (PaymentMode == pmCheck)
        return result;
    return SettleRegistration(Doc, operation, sale, result);
}

std::int32_t TDevice::NumberSale(PendingRegistration& Sale, bool& Retry) {
    if (const PendingRegistration* pending = Pending()) {
        Retry = pending->SameSale(Sale);
        if (!Retry)
            if (const std::int32_t result = ResolvePending(); result != ResultCode::Success)
                return result;
        Sale.PaymentID = Retry ? pending->PaymentID : FTransactNum;
        Sale.ReceiptNum = Retry ? pending->ReceiptNum : FReceiptNum;
    }
    // The numbers after these must exist too.
    if (Sale.PaymentID == INT32_MAX || Sale.ReceiptNum == INT32_MAX) {
        FLastResultDescription = NumberingExhausted;
        return ResultCode::UnknownError;
    }
    return ResultCode::Success;
}

// Read from the terminal's file at its first sale. One sent to another gateway
// is not this one's to resolve. One that the gateway's numbering has gone past
// was resolved before: only a file that could not be removed speaks of it still.
PendingRegistration* TDevice::Pending() {
    if (FPendingTerminal != FTerminalID) {
        FPending = LoadPendingRegistration(FTerminalID);
        FPendingTerminal = FTerminalID;
    }
    if (!FPending || FPending->Gateway != FServer1URL)
        return nullptr;
    if (FTransactNum > FPending->PaymentID + 1)
        ForgetPending();
    return FPending ? &*FPending : nullptr;
}

// Whether the gateway holds the pending registration decides whose its numbers
// are. Without the gateway's answer nothing is guessed and nothing is sent.
std::int32_t TDevice::ResolvePending() {
    std::int32_t code = -1;
    std::wstring text;
    TPaymentStatus status = psError;
    bool fatal = false;
    const std::int32_t result = GetPaymentStatus(FPending->PaymentID, code, text, status, fatal);
    if (result != ResultCode::Success)
        return result;
    switch (code) {
    case GatewayCode::Ok:
        MovePast(*FPending);
        return ResultCode::Success;
    case GatewayCode::NoSuchPayment:
        ForgetPending();
        return ResultCode::Success;
    case -1:
        return ResultCode::ProtocolError;
    default:
        FLastResultDescription = text;
        return ResultCode::UnknownError;
    }
}

// A registration the gateway took, or already held (215 for numbers this driver
// sent: a cashier's retry, or the platform resending a request on a kept-alive
// connection), consumes its numbers. A refusal consumes none, so it is retried
// with the same ones. Without the gateway's verdict the sale stays pending.
std::int32_t TDevice::SettleRegistration(const XmlDocument& Doc, const std::wstring& Operation,
                                         const PendingRegistration& Sale, std::int32_t Result) {
    std::wstring text;
    const std::int32_t root = GetResponseResult(Doc, L"", text);
    const std::int32_t operation =
        GetResponseResult(Doc, OperationPath(Groups::Providers, Operation), text);
    const std::int32_t payment = GetResponseResult(Doc, PaymentPath(Operation), text);
    if (Result == ResultCode::Success ||
        (operation == GatewayCode::Ok && payment == GatewayCode::DuplicatePayment)) {
        MovePast(Sale);
        FLastResultDescription.clear();
        return ResultCode::Success;
    }
    const auto refusal = [](std::int32_t code) { return code != -1 && code != GatewayCode::Ok; };
    const bool refused = refusal(root) || refusal(operation) || refusal(payment);
    if (!refused)
        KeepPending(Sale);
    return Result;
}

void TDevice::MovePast(const PendingRegistration& Sale) {
    FTransactNum = std::max(FTransactNum, Sale.PaymentID + 1);
    FReceiptNum = std::max(FReceiptNum, Sale.ReceiptNum + 1);
    ForgetPending();
}

void TDevice::KeepPending(const PendingRegistration& Sale) {
    FPending = Sale;
    FPendingTerminal = FTerminalID;
    StorePendingRegistration(FTerminalID, Sale);
}

void TDevice::ForgetPending() {
    if (!FPending)
        return;
    FPending.reset();
    ForgetPendingRegistration(FTerminalID);
}

std::int32_t TDevice::GetPaymentStatus(std::int32_t PaymentID, std::int32_t& ResultCode,
                                       std::wstring& ResultCodeDescription,
                                       TPaymentStatus& PaymentStatus, bool& Fatal) {
    ResultCodeDescription.clear();
    PaymentStatus = psError;
    Fatal = false;
    ResultCode = -1;
    const std::wstring paymentPath = PaymentPath(Operations::GetPaymentStatus);
    XmlDocument Doc;
    CreateRequest(Groups::Providers, Operations::GetPaymentStatus, Doc, {L""}, {PaymentElement});
    SetAttributeAt(Doc, paymentPath, IdAttribute, std::to_wstring(PaymentID));
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, OperationPath(Groups::Providers, Operations::GetPaymentStatus));
    if (result != ResultCode::Success)
        return result;
    ResultCode = GetResponseResult(Doc, paymentPath, ResultCodeDescription);
    PaymentStatus = StatusAt(Doc, paymentPath);
    Fatal = FlagOf(ReadXmlValue(Doc, paymentPath, FatalAttribute, L"False"));
    return result;
}

std::int32_t TDevice::CancelPayment(std::int32_t PaymentID, const std::wstring& TransactionID,
                                    TPaymentStatus& PaymentStatus,
                                    std::wstring& CanselTransactionID) {
    CanselTransactionID.clear();
    const std::wstring paymentPath = PaymentPath(Operations::CancelPayment);
    XmlDocument Doc;
    CreateRequest(Groups::Providers, Operations::CancelPayment, Doc, {L""}, {PaymentElement});
    if (!TransactionID.empty())
        SetAttributeAt(Doc, paymentPath, UidAttribute, TransactionID);
    if (PaymentID != -1)
        SetAttributeAt(Doc, paymentPath, IdAttribute, std::to_wstring(PaymentID));
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, OperationPath(Groups::Providers, Operations::CancelPayment));
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, paymentPath);
    PaymentStatus = StatusAt(Doc, paymentPath);
    CanselTransactionID = ReadXmlValue(Doc, paymentPath, CancelUidAttribute, L"");
    return result;
}

std::int32_t TDevice::GetLastIds() {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Groups::Terminals, Operations::GetLastIds, Doc);
    if (result != ResultCode::Success)
        return result;
    const XmlNode last = Doc.SelectSingleNode(
        ChildPath(OperationPath(Groups::Terminals, Operations::GetLastIds), LastPaymentElement));
    if (!last)
        return NotFound();
    const std::wstring id = ReadNodeAttribute(last, IdAttribute, L"");
    const std::wstring receipt = ReadNodeAttribute(last, ReceiptNumberAttribute, L"");
    const std::optional<std::int32_t> lastID = LastNumber(id), lastReceipt = LastNumber(receipt);
    if (!lastID || !lastReceipt)
        return Fail(ParseFailed, lastID ? receipt : id);
    if (*lastID == INT32_MAX || *lastReceipt == INT32_MAX) {
        FLastResultDescription = NumberingExhausted;
        return ResultCode::UnknownError;
    }
    FTransactNum = *lastID + 1;
    FReceiptNum = *lastReceipt + 1;
    return result;
}

} // namespace svcgate
