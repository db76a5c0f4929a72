#pragma once
// What every driver on the machine knows of a terminal's payments, in one small
// file per terminal in the data folder: the next numbers any of them may give
// out, and the registrations sent without the gateway's verdict. Such a
// registration is written down before it leaves, so that a host killed while the
// gateway holds the answer still leaves it behind: until its verdict is known
// its numbers are spoken for, and only the cashier's identical retry resends it.

#include "common/uCommonUtils.Money.h"
#include "gateway/CacheFiles.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace svcgate {

// The requisites of a sale as the host gave them; they never reach the disk.
struct SaleRequisites {
    std::wstring ProviderID;
    std::wstring Account;
    Currency AmountFrom = 0;
    Currency AmountTo = 0;
    std::vector<std::wstring> Extras;
};

struct PendingRegistration {
    // The address it was sent to: only there can its status be asked or it be resent.
    std::wstring Gateway;
    std::int32_t PaymentID = 0;
    std::int32_t ReceiptNum = 0;
    // A digest of the requisites: the data folder is readable by every user.
    std::wstring Digest;
    // What the cashier is told of it, should it turn out held.
    std::wstring MaskedAccount;
    Currency AmountFrom = 0;
    // When it was last sent, in the system's file time.
    std::int64_t Written = 0;
    // Found held by the gateway: told to a host, and known to have reached it
    // once that host called again. It stays for its identical retry, which any
    // desk may still be about to send: that retry is this payment, not another sale.
    // Sold: taken by the gateway and answered "sold" to the host that sent it,
    // which may be killed before it has the answer; it goes when that host calls again.
    enum class Held { NotKnown, Telling, Told, Sold } State = Held::NotKnown;

    static PendingRegistration Of(const std::wstring& Gateway, const SaleRequisites& Sale);
    bool SameSale(const PendingRegistration& other) const { return Digest == other.Digest; }
    bool SameRecord(const PendingRegistration& other) const {
        return Gateway == other.Gateway && PaymentID == other.PaymentID;
    }
};

struct TerminalPayments {
    // The next numbers no driver has given out; 0 when none was given out yet.
    std::int32_t NextID = 0;
    std::int32_t NextReceipt = 0;
    std::vector<PendingRegistration> Pending;
    // A file that is there but cannot be read as this driver writes it: what it
    // speaks of is unknown, so it stays in the way until support removes it.
    bool Unreadable = false;
};

// Whoever reads and rewrites a terminal's file holds this lock meanwhile.
class TerminalPaymentsLock : public MachineLock {
public:
    TerminalPaymentsLock();
};

// Held by the driver that is sending a registration until it has settled it: a
// record whose lock another holds is in flight, not left behind, and nobody else
// may resend or resolve it. Taken without waiting.
class SendingLock : public MachineLock {
public:
    SendingLock(const std::wstring& TerminalID, std::int32_t PaymentID);
};

// Held by the driver that told a host of a held payment until that host calls
// again: a host killed before it had the text leaves the lock behind, and the
// next driver tells it anew. Taken without waiting, by one driver of a process:
// a mutex would let a second driver on the same thread take it again.
class TellingLock : public MachineLock {
public:
    TellingLock(const std::wstring& TerminalID, std::int32_t PaymentID);
    ~TellingLock();
    bool Held() const { return registered_; }

private:
    std::wstring name_;
    bool registered_ = false;
};

// The file of the terminal; empty when there is none.
TerminalPayments LoadTerminalPayments(const std::wstring& TerminalID);
// Written whole, flushed and moved into place; an Exception when the disk does
// not take it, and the file is then as it was.
void StoreTerminalPayments(const std::wstring& TerminalID, const TerminalPayments& payments);
// The path support is told of.
std::wstring TerminalPaymentsFile(const std::wstring& TerminalID);
void ForgetTerminalPayments(const std::wstring& TerminalID);
// "******4567": enough for a cashier to know the sale, too little to be the payer's.
std::wstring MaskedAccount(const std::wstring& Account);
// A file time as `Written` holds it.
std::int64_t FileTimeValue(const FILETIME& Time);
constexpr std::int64_t FileTimeTicksPerMs = 10000;
// Now, in the system's file time, as `Written` holds it.
std::int64_t FileTimeNow();

} // namespace svcgate
