#pragma once
// A registration sent without the gateway's verdict (no answer, a lost, cut or
// unreadable one): the gateway may hold the payment or not. Until that is known
// its numbers are spoken for. It outlives the host in a small file per terminal
// in the data folder, so that a driver started again still knows of it.

#include "common/uCommonUtils.Money.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace svcgate {

struct PendingRegistration {
    // The address it was sent to: another gateway's numbers mean nothing here.
    std::wstring Gateway;
    std::int32_t PaymentID = 0;
    std::int32_t ReceiptNum = 0;
    std::wstring ProviderID;
    std::wstring Account;
    Currency AmountFrom = 0;
    Currency AmountTo = 0;
    std::vector<std::wstring> Extras;

    // The same requisites: a cashier's retry of this sale, whatever its numbers.
    bool SameSale(const PendingRegistration& other) const;
};

// The terminal's pending registration; none when there is none or its file
// cannot be read whole.
std::optional<PendingRegistration> LoadPendingRegistration(const std::wstring& TerminalID);
// Written whole and moved into place. False when the disk did not take it: the
// caller still knows of it, only a restart would forget it.
bool StorePendingRegistration(const std::wstring& TerminalID, const PendingRegistration& pending);
void ForgetPendingRegistration(const std::wstring& TerminalID);

} // namespace svcgate
