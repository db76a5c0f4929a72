#include "gateway-sim/GatewaySimulator.h"

#include "gateway-sim/SimulatorTexts.h"

#include "common/Exception.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"

#include <algorithm>
#include <cwchar>
#include <optional>

namespace svcgate::tools {

namespace {

// The payment statuses of the protocol.
enum PaymentStatus {
    StatusError = 0,
    StatusExecuting = 1,
    StatusCompleted = 2,
    StatusAuthorised = 3
};

// A payment turns completed this long after its registration, even unasked.
constexpr ULONGLONG CompletionMs = 2000;

std::optional<std::int32_t> Integer(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0')
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<Currency> Amount(const std::wstring& text) {
    try {
        return TextToCurrency(text);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

std::wstring Read(const XmlNode& payment, const wchar_t* path, const wchar_t* name) {
    const XmlNode node = *path ? payment.SelectSingleNode(path) : payment.Share();
    return node ? ReadNodeAttribute(node, name, L"") : std::wstring();
}

} // namespace

struct GatewaySimulator::PaymentRequest {
    std::optional<std::int32_t> id, receipt;
    std::wstring uid, service, account;
    std::optional<Currency> from, to;

    explicit PaymentRequest(const XmlNode& operation) {
        const XmlNode payment = operation.SelectSingleNode(L"payment");
        if (!payment)
            return;
        id = Integer(Read(payment, L"", L"id"));
        uid = Read(payment, L"", L"uid");
        from = Amount(Read(payment, L"from", L"amount"));
        to = Amount(Read(payment, L"to", L"amount"));
        service = Read(payment, L"to", L"service");
        account = Read(payment, L"to", L"account");
        receipt = Integer(Read(payment, L"receipt", L"id"));
    }
};

namespace {

GatewaySimulator::Reply PaymentReply(std::optional<std::int32_t> id, std::int32_t result,
                                     PaymentStatus status, std::string more = {}) {
    const std::string idAttribute = id ? Attribute("id", std::to_wstring(*id)) : std::string();
    return {.inner = "<payment" + idAttribute + Attribute("result", std::to_wstring(result)) +
                     Attribute("status", std::to_wstring(status)) + more + "/>",
            .paymentResult = result};
}

} // namespace

std::int32_t GatewaySimulator::Requisites(const PaymentRequest& payment) const {
    const CatalogueProvider* provider = catalogue_.Find(payment.service);
    if (!provider)
        return UnknownProvider;
    if (payment.account.empty())
        return BadAccount;
    if (!payment.to || !payment.from)
        return NoAmount;
    if (*payment.to < provider->minSum)
        return AmountTooSmall;
    return provider->maxSum != 0 && *payment.to > provider->maxSum ? AmountTooLarge : Ok;
}

GatewaySimulator::Reply GatewaySimulator::Check(const XmlNode& operation) {
    const PaymentRequest payment(operation);
    const std::int32_t result = Requisites(payment);
    return PaymentReply(payment.id, result, result == Ok ? StatusAuthorised : StatusError);
}

// The gateway keeps what it took: a number it holds is refused, whatever the
// requisites, and without the held payment's identifier.
GatewaySimulator::Reply GatewaySimulator::Register(const XmlNode& operation) {
    const PaymentRequest payment(operation);
    const std::int32_t result = !payment.id            ? ForbiddenRequest
                                : FindPayment(payment) ? DuplicatePayment
                                                       : Requisites(payment);
    if (result != Ok)
        return PaymentReply(payment.id, result, StatusError);
    lastId_ = std::max(lastId_, *payment.id);
    lastReceipt_ = std::max(lastReceipt_, payment.receipt.value_or(lastReceipt_ + 1));
    balance_ -= *payment.from;
    const std::wstring uid = PaymentUidPrefix + std::to_wstring(*payment.id);
    payments_.push_back({*payment.id, payment.receipt.value_or(0), payment.service, payment.account,
                         *payment.from, *payment.to, uid, GetTickCount64()});
    return PaymentReply(payment.id, Ok, StatusExecuting, Attribute("uid", uid));
}

GatewaySimulator::Reply GatewaySimulator::Status(const XmlNode& operation) {
    const PaymentRequest request(operation);
    HeldPayment* payment = FindPayment(request);
    if (!payment)
        return PaymentReply(request.id, NoSuchPayment, StatusError);
    PaymentStatus status = StatusError;
    if (!payment->cancelled) {
        const bool done =
            payment->queried || GetTickCount64() - payment->registeredAt >= CompletionMs;
        status = done ? StatusCompleted : StatusExecuting;
        payment->queried = true;
    }
    return PaymentReply(request.id, Ok, status, Attribute("fatal", L"false"));
}

GatewaySimulator::Reply GatewaySimulator::Cancel(const XmlNode& operation) {
    const PaymentRequest request(operation);
    HeldPayment* payment = FindPayment(request);
    if (!payment)
        return PaymentReply(request.id, NoSuchPayment, StatusError);
    if (!payment->cancelled)
        balance_ += payment->from;
    payment->cancelled = true;
    return PaymentReply(request.id, Ok, StatusError,
                        Attribute("uid2", CancellationUidPrefix + std::to_wstring(payment->id)));
}

GatewaySimulator::Reply GatewaySimulator::Coded(const XmlNode& operation, const Strike& strike) {
    if (strike.taken)
        Register(operation);
    return PaymentReply(PaymentRequest(operation).id, strike.code, StatusError);
}

// By the gateway's identifier when the request gives one, else by the terminal's.
HeldPayment* GatewaySimulator::FindPayment(const PaymentRequest& request) {
    for (HeldPayment& payment : payments_)
        if (request.uid.empty() ? request.id == payment.id : request.uid == payment.uid)
            return &payment;
    return nullptr;
}

std::vector<HeldPayment> GatewaySimulator::Ledger() const {
    std::lock_guard lock(mutex_);
    return payments_;
}

void GatewaySimulator::StrikeNext(const std::wstring& operation, LinkFault fault, DWORD delayMs) {
    std::lock_guard lock(mutex_);
    strike_ = {operation, fault, delayMs};
}

void GatewaySimulator::AnswerNext(const std::wstring& operation, std::int32_t code, bool taken) {
    std::lock_guard lock(mutex_);
    strike_ = {operation, LinkFault::None, 0, code, taken};
}

GatewaySimulator::Strike GatewaySimulator::TakeStrike(const std::wstring& operation) {
    std::lock_guard lock(mutex_);
    if ((strike_.fault == LinkFault::None && strike_.code == Ok) || strike_.operation != operation)
        return {};
    return std::exchange(strike_, {});
}

} // namespace svcgate::tools
