// The operations that move money, and the terminal's payment numbering.

#include "common/Text.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "common/uEquipmentErrors.h"
#include "gateway/GatewayValues.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewayTexts.h"

#include "common/Exception.h"
#include "gateway/CacheFiles.h"

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

// A record outlives no payment API's idempotency window: 24 hours, in file time.
constexpr std::int64_t PendingLife = 24LL * 60 * 60 * 1000 * FileTimeTicksPerMs;
constexpr size_t MaxPending = 20;

std::wstring Named(const PendingRegistration& Pending) {
    return FormatText(PaymentNamed, Pending.PaymentID, CurrencyToText(Pending.AmountFrom).c_str(),
                      Pending.MaskedAccount.c_str());
}

// Held payments already told of make way for new sales, the oldest first: only
// their identical retries would still find them.
void MakeWay(TerminalPayments& Book) {
    while (Book.Pending.size() >= MaxPending) {
        const auto told = std::find_if(Book.Pending.begin(), Book.Pending.end(),
                                       [](const PendingRegistration& p) {
                                           return p.State == PendingRegistration::Held::Told;
                                       });
        if (told == Book.Pending.end())
            return;
        Book.Pending.erase(told);
    }
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
                                 const TProvider& Provider, const SaleRequisites& Sale,
                                 const PendingRegistration& Numbers) {
    SetAttributeAt(Doc, PaymentPath, IdAttribute, std::to_wstring(Numbers.PaymentID));
    AppendElementAt(Doc, PaymentPath, FromElement, {FCurrencyCode, CurrencyToText(Sale.AmountFrom)},
                    {CurrencyAttribute, AmountAttribute});
    AppendElementAt(Doc, PaymentPath, ToElement,
                    {Provider.CurrencyCode(), CurrencyToText(Sale.AmountTo), Provider.ProviderID(),
                     Sale.Account},
                    {CurrencyAttribute, AmountAttribute, ServiceAttribute, AccountAttribute});
    AppendElementAt(Doc, PaymentPath, ReceiptElement,
                    {ReceiptDate(), std::to_wstring(Numbers.ReceiptNum)},
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
    ConfirmTold();
    TransactionID.clear();
    PaymentID = FTransactNum;
    const TProvider* provider = FProviders.GetItemByID(ProviderID);
    if (!provider)
        return NotFound();
    PendingRegistration sale =
        PendingRegistration::Of(FServer1URL, {ProviderID, Account, AmountFrom, AmountTo, Extras});
    const std::wstring operation = PaymentOperation(PaymentMode);
    const bool check = operation == Operations::CheckPaymentRequisites;
    // The registration that follows its check asks nothing again: a sale stays
    // a check and a registration.
    const bool resolved = !check && FResolvedFor == sale.Digest;
    FResolvedFor.clear();
    if (const std::int32_t result = resolved ? ResultCode::Success : ResolvePending(sale);
        result != ResultCode::Success)
        return result;
    if (check)
        FResolvedFor = sale.Digest;
    std::optional<SendingLock> sending;
    bool retry = false;
    const std::int32_t numbered =
        check ? PeekNumbers(sale, retry) : TakeNumbers(sale, retry, sending);
    if (numbered != ResultCode::Success)
        return numbered;
    PaymentID = sale.PaymentID;
    // A retry's requisites were checked before it was first sent; the gateway
    // may hold it already, and only the registration can tell.
    if (retry && check) {
        PaymentStatus = psAutorized;
        return ResultCode::Success;
    }
    XmlDocument Doc;
    CreateRequest(Groups::Providers, operation, Doc, {L""}, {PaymentElement});
    AddPaymentElements(Doc, PaymentPath(operation), *provider,
                       {ProviderID, Account, AmountFrom, AmountTo, Extras}, sale);
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, OperationPath(Groups::Providers, operation));
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, PaymentPath(operation));
    PaymentStatus = StatusAt(Doc, PaymentPath(operation));
    TransactionID = ReadXmlValue(Doc, PaymentPath(operation), UidAttribute, L"");
    return check ? result : SettleRegistration(Doc, operation, sale, retry, result);
}

// A file that cannot be read stays in the way while it is young: it may speak
// of a sale whose identical retry must not take a new number. Records outlive
// no payment API's idempotency window.
std::int32_t TDevice::ChangeBook(const std::function<bool(TerminalPayments&)>& Change) {
    const TerminalPaymentsLock lock;
    const std::wstring file = TerminalPaymentsFile(FTerminalID);
    if (!lock.Held())
        return Fail(FormatText(PendingFileUnwritable, file.c_str()));
    TerminalPayments book = LoadTerminalPayments(FTerminalID);
    const std::int64_t now = FileTimeNow();
    if (book.Unreadable) {
        const std::optional<FileStamp> stamp = StampOf(file);
        const std::int64_t written = stamp ? FileTimeValue(stamp->written) : now;
        if (now - written < PendingLife)
            return Fail(FormatText(PendingFileUnreadable, file.c_str()));
        book = {};
    }
    std::erase_if(book.Pending,
                  [&](const PendingRegistration& p) { return now - p.Written >= PendingLife; });
    if (!Change(book))
        return ResultCode::Success;
    try {
        StoreTerminalPayments(FTerminalID, book);
    } catch (const Exception& error) {
        return Fail(FormatText(PendingFileUnwritable, error.Message().c_str()));
    }
    if (book.NextID != 0) {
        FTransactNum = book.NextID;
        FReceiptNum = book.NextReceipt;
    }
    return ResultCode::Success;
}

// The identical sale, pending at this address or at another one.
PendingRegistration* TDevice::IdenticalPending(TerminalPayments& Book,
                                               const PendingRegistration& Sale,
                                               std::int32_t& Result) {
    Result = ResultCode::Success;
    // A sale answered "sold" to a host that lives is not resent: the same
    // requisites again are another purchase.
    const auto same =
        std::find_if(Book.Pending.begin(), Book.Pending.end(), [&](const PendingRegistration& p) {
            return p.SameSale(Sale) && (p.State != PendingRegistration::Held::Sold ||
                                        TellingLock(FTerminalID, p.PaymentID).Held());
        });
    if (same == Book.Pending.end())
        return nullptr;
    if (same->Gateway != Sale.Gateway)
        Result = Fail(FormatText(PendingElsewhere, Named(*same).c_str(), same->Gateway.c_str()));
    return &*same;
}

// The numbers a check shows: a pending retry's, else the next ones. A check
// consumes none, so it writes nothing down.
std::int32_t TDevice::PeekNumbers(PendingRegistration& Sale, bool& Retry) {
    std::int32_t result = ResultCode::Success;
    const std::int32_t read = ChangeBook([&](TerminalPayments& book) {
        const PendingRegistration* same = IdenticalPending(book, Sale, result);
        Retry = same != nullptr;
        Sale.PaymentID = same ? same->PaymentID : std::max(book.NextID, FTransactNum);
        Sale.ReceiptNum = same ? same->ReceiptNum : std::max(book.NextReceipt, FReceiptNum);
        return false;
    });
    return read != ResultCode::Success ? read : result;
}

// Under the machine-wide lock: the identical retry takes its record's numbers;
// another sale takes the next ones and is written down, flushed, before it may
// leave. Nothing is sent when that cannot be done.
std::int32_t TDevice::TakeNumbers(PendingRegistration& Sale, bool& Retry,
                                  std::optional<SendingLock>& Sending) {
    std::int32_t result = ResultCode::Success;
    const std::int32_t written = ChangeBook([&](TerminalPayments& book) {
        if (PendingRegistration* same = IdenticalPending(book, Sale, result)) {
            Retry = result == ResultCode::Success;
            Sending.emplace(FTerminalID, same->PaymentID);
            if (Retry && !Sending->Held())
                result = Fail(FormatText(PendingInFlight, Named(*same).c_str()));
            // A resend is a sending anew: its time is what "no such payment" is judged by.
            if (result == ResultCode::Success)
                same->Written = FileTimeNow();
            Sale = *same;
            return result == ResultCode::Success;
        }
        MakeWay(book);
        if (book.Pending.size() >= MaxPending) {
            result = Fail(PendingTooMany);
            return false;
        }
        Sale.PaymentID = std::max(book.NextID, FTransactNum);
        Sale.ReceiptNum = std::max(book.NextReceipt, FReceiptNum);
        if (Sale.PaymentID == INT32_MAX || Sale.ReceiptNum == INT32_MAX || Sale.PaymentID < 0) {
            result = Fail(NumberingExhausted);
            return false;
        }
        book.NextID = Sale.PaymentID + 1;
        book.NextReceipt = Sale.ReceiptNum + 1;
        book.Pending.push_back(Sale);
        Sending.emplace(FTerminalID, Sale.PaymentID);
        return true;
    });
    return written != ResultCode::Success ? written : result;
}

// Before a sale goes out, what happened to the registrations left at this
// address is asked. One the gateway holds is told to the cashier once, in this
// call, which fails so that the desk does not sell on unaware; one it does not
// hold is forgotten; one whose state cannot be learned now, or that another
// driver is still sending, is left for later and keeps no sale waiting.
std::int32_t TDevice::ResolvePending(const PendingRegistration& Sale) {
    std::vector<PendingRegistration> left;
    const std::int32_t read = ChangeBook([&](TerminalPayments& book) {
        for (const PendingRegistration& p : book.Pending)
            if (p.Gateway == Sale.Gateway && !p.SameSale(Sale) &&
                p.State != PendingRegistration::Held::Told)
                left.push_back(p);
        return false;
    });
    if (read != ResultCode::Success)
        return read;
    // The gateway may still be taking a registration whose sender gave up on the
    // answer or was killed a moment ago: "no such payment" is its verdict only
    // once the sending is older than twice the wait for an answer.
    const std::int64_t landing = 2LL * FSrvResponseTimeout * FileTimeTicksPerMs;
    for (const PendingRegistration& pending : left) {
        const SendingLock sending(FTerminalID, pending.PaymentID);
        auto telling = std::make_unique<TellingLock>(FTerminalID, pending.PaymentID);
        std::int32_t code = -1;
        std::wstring text;
        TPaymentStatus status = psError;
        bool fatal = false;
        if (!sending.Held() || !telling->Held() ||
            GetPaymentStatus(pending.PaymentID, code, text, status, fatal) != ResultCode::Success)
            continue;
        if (code == GatewayCode::Ok && Resolve(pending, true)) {
            FTelling = std::move(telling);
            FToldOf = pending;
            return TellHeld(pending, status);
        }
        if (code == GatewayCode::NoSuchPayment && FileTimeNow() - pending.Written >= landing)
            Resolve(pending, false);
    }
    FLastResultDescription.clear();
    return ResultCode::Success;
}

// True when this driver resolved it and wrote so: whoever resolves it tells of it.
// A held one stays, being told, for its identical retry; one the gateway does not
// hold goes.
bool TDevice::Resolve(const PendingRegistration& Pending, bool Held) {
    bool resolved = false;
    const std::int32_t written = ChangeBook([&](TerminalPayments& book) {
        const auto found = std::find_if(
            book.Pending.begin(), book.Pending.end(), [&](const PendingRegistration& p) {
                return p.SameRecord(Pending) && p.State != PendingRegistration::Held::Told;
            });
        resolved = found != book.Pending.end();
        if (resolved && Held)
            found->State = PendingRegistration::Held::Telling;
        else if (resolved)
            book.Pending.erase(found);
        return resolved;
    });
    return resolved && written == ResultCode::Success;
}

// The host called again after it was told: it had the text, and no driver tells
// it again. Were the file not written, another driver would: told twice, not never.
void TDevice::ConfirmTold() {
    if (!FTelling)
        return;
    ChangeBook([&](TerminalPayments& book) {
        const size_t before = book.Pending.size();
        std::erase_if(book.Pending, [&](const PendingRegistration& p) {
            return p.SameRecord(FToldOf) && p.State == PendingRegistration::Held::Sold;
        });
        bool confirmed = book.Pending.size() != before;
        for (PendingRegistration& p : book.Pending)
            if (p.SameRecord(FToldOf) && p.State == PendingRegistration::Held::Telling) {
                p.State = PendingRegistration::Held::Told;
                confirmed = true;
            }
        return confirmed;
    });
    FTelling.reset();
}

// A status the gateway does not define is named by its number: it is not
// "completed", whatever it means.
std::int32_t TDevice::TellHeld(const PendingRegistration& Pending, TPaymentStatus Status) {
    std::wstring state = FormatText(UndefinedStatus, unsigned(Status));
    PaymentStatusText(Status, state);
    FLastResultDescription = FormatText(PendingHeld, Named(Pending).c_str(), state.c_str());
    if (FEventLog)
        FEventLog(FLastResultDescription);
    return ResultCode::UnknownError;
}

// The gateway took the registration, or held it already when this was a resend
// of a number this machine had sent for this very sale, its answer lost. A
// refusal from the list of a number's first sending takes the record away; a
// number nobody took after it may go out again. A refusal of a resend says
// nothing of the first sending, which the gateway may hold. Anything else leaves
// the sale pending: a 215 to a number's first sending too, which may be the
// platform resending it on a kept-alive connection, so that the gateway holds
// this sale, or not.
std::int32_t TDevice::SettleRegistration(const XmlDocument& Doc, const std::wstring& Operation,
                                         const PendingRegistration& Sale, bool Retry,
                                         std::int32_t Result) {
    std::wstring text;
    const std::int32_t root = GetResponseResult(Doc, L"", text);
    const std::int32_t operation =
        GetResponseResult(Doc, OperationPath(Groups::Providers, Operation), text);
    const std::int32_t payment = GetResponseResult(Doc, PaymentPath(Operation), text);
    const std::int32_t first = root != GatewayCode::Ok        ? root
                               : operation != GatewayCode::Ok ? operation
                                                              : payment;
    const bool taken = Result == ResultCode::Success || (Retry && operation == GatewayCode::Ok &&
                                                         payment == GatewayCode::DuplicatePayment);
    const bool refused = !taken && !Retry && RefusesPayment(first);
    if (taken || refused) {
        const std::wstring refusal = FLastResultDescription;
        // A taken sale is sold whatever the disk does: a record left behind is
        // asked about before a later sale and told once, never the sale "failed".
        // Its record stays until the host calls again: were the host killed before
        // it had the answer, the next desk tells of it, and the cashier's identical
        // retry is this sale.
        auto telling = std::make_unique<TellingLock>(FTerminalID, Sale.PaymentID);
        const bool stays = taken && telling->Held();
        ChangeBook([&](TerminalPayments& book) {
            std::erase_if(book.Pending,
                          [&](const PendingRegistration& p) { return p.SameRecord(Sale); });
            if (stays) {
                book.Pending.push_back(Sale);
                book.Pending.back().State = PendingRegistration::Held::Sold;
            }
            // A retry's record may hold the last number of the range.
            if (refused && book.NextID == std::int64_t(Sale.PaymentID) + 1 &&
                book.NextReceipt == std::int64_t(Sale.ReceiptNum) + 1) {
                book.NextID = Sale.PaymentID;
                book.NextReceipt = Sale.ReceiptNum;
            }
            return true;
        });
        if (stays) {
            FTelling = std::move(telling);
            FToldOf = Sale;
        }
        FLastResultDescription = taken ? L"" : refusal;
        return taken ? ResultCode::Success : Result;
    }
    if (first != -1)
        FLastResultDescription =
            FormatText(PendingNotKnown, Named(Sale).c_str(), GetResultCodeText(first).c_str());
    return Result == ResultCode::Success ? ResultCode::UnknownError : Result;
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
    // A missing number is no numbering: read as 0, it would send sales under
    // numbers the gateway holds.
    const std::wstring id = ReadNodeAttribute(last, IdAttribute, IdAttribute);
    const std::wstring receipt =
        ReadNodeAttribute(last, ReceiptNumberAttribute, ReceiptNumberAttribute);
    const std::optional<std::int32_t> lastID = DecimalCode(id), lastReceipt = DecimalCode(receipt);
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
