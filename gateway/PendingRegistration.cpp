#include "gateway/PendingRegistration.h"

#include "common/Exception.h"
#include "common/Md5.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "gateway/CacheFiles.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewayTexts.h"

#include <algorithm>
#include <charconv>
#include <cwctype>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>

namespace svcgate {

using namespace GatewayTexts;

namespace {

constexpr const wchar_t* Header = L"svcgate terminal payments 2";
constexpr const wchar_t* NextKey = L"next=";
constexpr const wchar_t* PendingKey = L"pending=";
constexpr const wchar_t* TellingKey = L"telling=";
constexpr const wchar_t* HeldKey = L"held=";
constexpr const wchar_t* SoldKey = L"sold=";
constexpr const wchar_t* PaymentsMutex = L"Global\\VelmoraSvcGate.Payments";
constexpr const wchar_t* SendingMutex = L"Global\\VelmoraSvcGate.Sending.";
constexpr const wchar_t* TellingMutex = L"Global\\VelmoraSvcGate.Telling.";
// A rewrite of a few hundred bytes; far less than any exchange.
constexpr DWORD PaymentsLockWaitMs = 30000;
constexpr size_t AccountCharsShown = 4;

// The file holds ASCII alone, its fields apart by blanks, so that no code page
// of any machine changes an address: everything else, and the escape itself, is %XXXX.
bool Plain(wchar_t c) {
    return c > L' ' && c <= L'~' && c != L'%';
}

std::wstring Escaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text)
        escaped += Plain(c) ? std::wstring(1, c) : FormatText(L"%%%04X", unsigned(c));
    return escaped;
}

std::optional<std::wstring> Unescaped(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            plain += text[i];
            continue;
        }
        const std::string hex = WideToUtf8(text.substr(i + 1, 4));
        unsigned code = 0;
        const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
        if (hex.size() != 4 || error != std::errc() || end != hex.data() + hex.size())
            return std::nullopt;
        plain += static_cast<wchar_t>(code);
        i += 4;
    }
    return plain;
}

// A name the file system and the object namespace take, one per terminal identifier.
std::wstring TerminalName(const std::wstring& TerminalID) {
    std::wstring name;
    for (const wchar_t c : TerminalID)
        name += iswalnum(c) && c < 128 ? std::wstring(1, c) : FormatText(L"_%04X", unsigned(c));
    return name;
}

// A payment number's name among the machine's objects.
std::wstring NumberName(const std::wstring& TerminalID, std::int32_t PaymentID) {
    return TerminalName(TerminalID) + L"." + std::to_wstring(PaymentID);
}

// The numbers whose telling lock a driver of this process holds.
std::mutex tellingMutex;
std::set<std::wstring> tellingHere;

// Each field with its length ahead, so that no two different sales read alike.
std::wstring RequisitesDigest(const SaleRequisites& Sale) {
    std::wstring fields;
    for (const std::wstring& field :
         {Sale.ProviderID, Sale.Account, std::to_wstring(Sale.AmountFrom),
          std::to_wstring(Sale.AmountTo)})
        fields += std::to_wstring(field.size()) + L":" + field;
    for (const std::wstring& extra : Sale.Extras)
        fields += std::to_wstring(extra.size()) + L":" + extra;
    std::wstring hex;
    for (const std::uint8_t byte : Md5Digest(WideToUtf8(fields)))
        hex += FormatText(L"%02x", unsigned(byte));
    return hex;
}

template <class Number> std::optional<Number> NumberField(std::wistringstream& line) {
    std::wstring text;
    line >> text;
    return DecimalNumber<Number>(text);
}

// The keys of a record's line, by its state.
const wchar_t* const StateKeys[] = {PendingKey, TellingKey, HeldKey, SoldKey};

std::optional<PendingRegistration> PendingLine(const std::wstring& fields,
                                               PendingRegistration::Held state) {
    std::wistringstream line(fields);
    std::wstring gateway, digest, masked;
    line >> gateway;
    const std::optional<std::int32_t> id = NumberField<std::int32_t>(line),
                                      receipt = NumberField<std::int32_t>(line);
    const std::optional<Currency> from = NumberField<Currency>(line);
    const std::optional<std::int64_t> written = NumberField<std::int64_t>(line);
    line >> digest >> masked;
    const std::optional<std::wstring> address = Unescaped(gateway), account = Unescaped(masked);
    std::wstring rest;
    if (!id || !receipt || !from || !written || !address || !account || digest.size() != 32 ||
        (line >> rest))
        return std::nullopt;
    return PendingRegistration{*address, *id, *receipt, digest, *account, *from, *written, state};
}

bool TakeNext(const std::wstring& fields, TerminalPayments& payments) {
    std::wistringstream line(fields);
    const std::optional<std::int32_t> id = NumberField<std::int32_t>(line),
                                      receipt = NumberField<std::int32_t>(line);
    if (!id || !receipt)
        return false;
    payments.NextID = *id;
    payments.NextReceipt = *receipt;
    return true;
}

bool TakeLine(const std::wstring& line, TerminalPayments& payments) {
    if (line.starts_with(NextKey))
        return TakeNext(line.substr(wcslen(NextKey)), payments);
    const auto key = std::find_if(std::begin(StateKeys), std::end(StateKeys),
                                  [&](const wchar_t* k) { return line.starts_with(k); });
    if (key == std::end(StateKeys))
        return false;
    const std::optional<PendingRegistration> pending = PendingLine(
        line.substr(wcslen(*key)), PendingRegistration::Held(key - std::begin(StateKeys)));
    if (pending)
        payments.Pending.push_back(*pending);
    return pending.has_value();
}

} // namespace

PendingRegistration PendingRegistration::Of(const std::wstring& Gateway,
                                            const SaleRequisites& Sale) {
    return {Gateway,
            0,
            0,
            RequisitesDigest(Sale),
            svcgate::MaskedAccount(Sale.Account),
            Sale.AmountFrom,
            FileTimeNow()};
}

TerminalPaymentsLock::TerminalPaymentsLock() : MachineLock(PaymentsMutex, PaymentsLockWaitMs) {}

SendingLock::SendingLock(const std::wstring& TerminalID, std::int32_t PaymentID)
    : MachineLock(SendingMutex + NumberName(TerminalID, PaymentID), 0) {}

TellingLock::TellingLock(const std::wstring& TerminalID, std::int32_t PaymentID)
    : MachineLock(TellingMutex + NumberName(TerminalID, PaymentID), 0),
      name_(NumberName(TerminalID, PaymentID)) {
    const std::lock_guard lock(tellingMutex);
    registered_ = MachineLock::Held() && tellingHere.insert(name_).second;
}

TellingLock::~TellingLock() {
    const std::lock_guard lock(tellingMutex);
    if (registered_)
        tellingHere.erase(name_);
}

std::wstring TerminalPaymentsFile(const std::wstring& TerminalID) {
    return GetDataFolder() + PendingFilePrefix + TerminalName(TerminalID) + PendingFileExtension;
}

// A file that cannot be opened or read is as unknown as a damaged one.
TerminalPayments LoadTerminalPayments(const std::wstring& TerminalID) {
    TerminalPayments payments;
    std::vector<std::wstring> lines;
    try {
        if (!StampOf(TerminalPaymentsFile(TerminalID)))
            return payments;
        lines = ReadTextLines(TerminalPaymentsFile(TerminalID));
    } catch (const Exception&) {
        payments.Unreadable = true;
        return payments;
    }
    payments.Unreadable = lines.empty() || lines.front() != Header;
    for (size_t i = 1; i < lines.size() && !payments.Unreadable; ++i)
        payments.Unreadable = !TakeLine(lines[i], payments);
    return payments;
}

void StoreTerminalPayments(const std::wstring& TerminalID, const TerminalPayments& payments) {
    std::vector<std::wstring> lines{
        Header, FormatText(L"%ls%d %d", NextKey, payments.NextID, payments.NextReceipt)};
    for (const PendingRegistration& p : payments.Pending)
        lines.push_back(FormatText(
            L"%ls%ls %d %d %lld %lld %ls %ls", StateKeys[int(p.State)], Escaped(p.Gateway).c_str(),
            p.PaymentID, p.ReceiptNum, static_cast<long long>(p.AmountFrom),
            static_cast<long long>(p.Written), p.Digest.c_str(), Escaped(p.MaskedAccount).c_str()));
    WriteTextLines(TerminalPaymentsFile(TerminalID), lines);
}

void ForgetTerminalPayments(const std::wstring& TerminalID) {
    DeleteFileW(TerminalPaymentsFile(TerminalID).c_str());
}

std::wstring MaskedAccount(const std::wstring& Account) {
    const size_t shown = Account.size() > 2 * AccountCharsShown ? AccountCharsShown : 0;
    return std::wstring(Account.size() - shown, L'*') + Account.substr(Account.size() - shown);
}

std::int64_t FileTimeValue(const FILETIME& Time) {
    return std::int64_t(ULONGLONG(Time.dwHighDateTime) << 32 | Time.dwLowDateTime);
}

std::int64_t FileTimeNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

} // namespace svcgate
