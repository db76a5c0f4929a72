#pragma once
// The client of the SvcGate gateway: every gateway operation is one XML request
// posted over HTTP and one XML answer, checked into an equipment result code.

#include "catalogue/uDeviceTypes.h"
#include "common/Xml.h"
#include "gateway/CacheFiles.h"
#include "gateway/GatewayValues.h"
#include "gateway/HttpExchange.h"
#include "gateway/PendingRegistration.h"
#include "token/EToken.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

// The dealer's registration data as the gateway gives it.
struct TAgentInfo {
    std::wstring Address;
    std::wstring FIO;
    std::wstring ID;
    std::wstring Info;
    std::wstring INN;
    std::wstring Name;
    std::wstring Phone;
    std::wstring WWW;
    std::wstring CntPhone;
    std::wstring CntEmail;
    std::wstring CurID;
};

class TDevice {
public:
    TDevice();
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;
    virtual ~TDevice();

    // Service: numbering, configuration and currency from the gateway, then the
    // catalogue and result texts from the cache or, when stale, from the gateway.
    std::int32_t Enable(bool FullReload);
    void Disable();
    // The cache files of the data folder, shared by every driver on the machine.
    // False when they could not be read as one whole set: they are not fresh then.
    bool ReadSettings();
    void SaveSettings();
    std::int32_t GetProviders();
    std::int32_t GetUIProviders();
    std::int32_t GetCommisions();
    std::int32_t GetCommissionProfiles();

    std::int32_t AuthorizePayment(Currency AmountFrom, Currency AmountTo,
                                  const std::wstring& ProviderID, const std::wstring& Account,
                                  const std::vector<std::wstring>& Extras, TPaymentMode PaymentMode,
                                  TPaymentStatus& PaymentStatus, std::int32_t& PaymentID,
                                  std::wstring& TransactionID);
    std::int32_t GetPaymentStatus(std::int32_t PaymentID, std::int32_t& ResultCode,
                                  std::wstring& ResultCodeDescription,
                                  TPaymentStatus& PaymentStatus, bool& Fatal);
    std::int32_t CancelPayment(std::int32_t PaymentID, const std::wstring& TransactionID,
                               TPaymentStatus& PaymentStatus, std::wstring& CanselTransactionID);

    std::int32_t GetAgentInfo(TAgentInfo& AgentInfo);
    std::int32_t GetBalance(Currency& Balance, Currency& TreeBalance, Currency& Overdraft);
    std::int32_t GetNeedIdentifyUser(const std::wstring& Phone, bool& NeedIdentifyUser);
    std::int32_t SetIdentifyUser(const std::wstring& Phone, const std::wstring& FirstName,
                                 const std::wstring& MiddleName, const std::wstring& LastName,
                                 const std::wstring& PassportNumber, const std::wstring& INN,
                                 const std::wstring& Snils, const std::wstring& OMS,
                                 double BirthDate);
    bool SetPublicKey(const std::wstring& ALogin, const std::wstring& APassword);

    std::int32_t CalculateComission(const std::wstring& ProviderID, Currency Amount, Currency& Sum,
                                    Currency& Percent);

    bool DebugMode() const { return FDebugMode; }
    void SetDebugMode(bool value) { FDebugMode = value; }
    // Where the client tells of what went wrong beside the exchange (a dump it
    // could not write): the owner's debug log, which writes only while it is on.
    using DebugLogSink = std::function<void(std::wstring_view name, std::wstring_view text)>;
    void SetDebugLog(DebugLogSink value) { FDebugLog = std::move(value); }
    // Where the client tells the host's event log of a payment it learned the
    // gateway holds after its sale had ended without a verdict.
    using EventLogSink = std::function<void(const std::wstring& text)>;
    void SetEventLog(EventLogSink value) { FEventLog = std::move(value); }
    const std::wstring& LastResultDescription() const { return FLastResultDescription; }
    const std::wstring& Server1URL() const { return FServer1URL; }
    void SetServer1URL(std::wstring value) { FServer1URL = std::move(value); }
    const std::wstring& Server2URL() const { return FServer2URL; }
    void SetServer2URL(std::wstring value) { FServer2URL = std::move(value); }
    std::uint32_t SrvResponseTimeout() const { return FSrvResponseTimeout; }
    void SetSrvResponseTimeout(std::uint32_t value) { FSrvResponseTimeout = value; }
    const std::wstring& Login() const { return FLogin; }
    void SetLogin(std::wstring value) { FLogin = std::move(value); }
    const std::wstring& Password() const { return FPassword; }
    void SetPassword(std::wstring value) { FPassword = std::move(value); }
    const std::wstring& TerminalID() const { return FTerminalID; }
    void SetTerminalID(std::wstring value) { FTerminalID = std::move(value); }
    const std::wstring& TerminalConfigID() const { return FTerminalConfigID; }
    void SetTerminalConfigID(std::wstring value) { FTerminalConfigID = std::move(value); }
    const std::wstring& SerialNum() const { return FSerialNum; }
    void SetSerialNum(std::wstring value) { FSerialNum = std::move(value); }
    std::int32_t TransactNum() const { return FTransactNum; }
    void SetTransactNum(std::int32_t value) { FTransactNum = value; }
    std::int32_t ReceiptNum() const { return FReceiptNum; }
    void SetReceiptNum(std::int32_t value) { FReceiptNum = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    TEToken& EToken() { return FEToken; }
    const TProviders& Providers() const { return FProviders; }
    bool UseEToken() const { return FUseEToken; }
    void SetUseEToken(bool value) { FUseEToken = value; }

protected:
    // The result texts: the gateway's own table first, the built-in one second.
    std::wstring GetCachedResultText(std::int32_t Code) const;
    std::wstring GetResultCodeText(std::int32_t Code) const;

    // The element that authorises a request with a login and its password's digest.
    static void AppendAuth(XmlDocument& Doc, const XmlNode& Root, const std::wstring& Login,
                           const std::wstring& Password);
    // A new request document: the envelope and the operation element with one
    // child element per parameter, Names[i] holding the text Values[i].
    void CreateRequest(const std::wstring& Group, const std::wstring& Operation, XmlDocument& Doc,
                       const std::vector<std::wstring>& Values,
                       const std::vector<std::wstring>& Names);
    // Posts the request in Doc and leaves the answer in it; checks the root's result.
    std::int32_t SendRequest(XmlDocument& Doc);
    std::int32_t CheckResponse(const XmlDocument& Doc, const std::wstring& Path);
    // The gateway result code at Path (the root's alone for an empty Path), or -1.
    std::int32_t GetResponseResult(const XmlDocument& Doc, const std::wstring& Path,
                                   std::wstring& Description) const;
    std::int32_t ExecuteRequest(const std::wstring& Group, const std::wstring& Operation,
                                XmlDocument& Doc, const std::vector<std::wstring>& Values = {},
                                const std::vector<std::wstring>& Names = {});

    std::int32_t GetConfigId();
    std::int32_t GetResultCodes();
    std::int32_t GetLastIds();

    // Lines "code=text" of the gateway's own result table.
    std::vector<std::wstring> FResultCodes;

private:
    std::int32_t NotFound();
    std::int32_t RefreshCatalogue();
    bool ReadCatalogue(const std::wstring& path);
    std::int32_t FetchCatalogue(const wchar_t* Group, const wchar_t* Operation,
                                const std::wstring& Path,
                                const std::function<void(const std::vector<XmlNode>&)>& Load);
    void AddPaymentElements(XmlDocument& Doc, const std::wstring& PaymentPath,
                            const TProvider& Provider, const SaleRequisites& Sale,
                            const PendingRegistration& Numbers);
    // The terminal's file, read and, when `Change` says so, written back under
    // the machine-wide lock; the numbers in memory follow what it holds.
    std::int32_t ChangeBook(const std::function<bool(TerminalPayments&)>& Change);
    PendingRegistration* IdenticalPending(TerminalPayments& Book, const PendingRegistration& Sale,
                                          std::int32_t& Result);
    std::int32_t PeekNumbers(PendingRegistration& Sale, bool& Retry);
    std::int32_t TakeNumbers(PendingRegistration& Sale, bool& Retry,
                             std::optional<SendingLock>& Sending);
    std::int32_t ResolvePending(const PendingRegistration& Sale);
    bool Resolve(const PendingRegistration& Pending, bool Held);
    std::int32_t TellHeld(const PendingRegistration& Pending, TPaymentStatus Status);
    void ConfirmTold();
    std::int32_t SettleRegistration(const XmlDocument& Doc, const std::wstring& Operation,
                                    const PendingRegistration& Sale, bool Retry,
                                    std::int32_t Result);
    // The request text as it goes on the wire, before its UTF-8 encoding.
    std::wstring RequestText(XmlDocument& Doc) const;
    std::vector<HttpHeader> RequestHeaders(const std::string& body);
    void DumpRequest(const std::wstring& text) const;
    void SaveDump(const wchar_t* name, const std::function<void()>& dump) const;
    std::int32_t Fail(const wchar_t* what, const std::wstring& reason);
    std::int32_t Fail(std::wstring text);

    bool FDebugMode = false;
    DebugLogSink FDebugLog;
    EventLogSink FEventLog;
    // The held payment this driver told its host of, until the host calls again.
    std::unique_ptr<TellingLock> FTelling;
    PendingRegistration FToldOf;
    // The sale whose check asked after the pending registrations last.
    std::wstring FResolvedFor;
    std::wstring FLastResultDescription;
    std::wstring FServer1URL;
    std::wstring FServer2URL;
    std::uint32_t FSrvResponseTimeout = DefaultResponseTimeoutMs;
    std::wstring FLogin;
    std::wstring FPassword;
    std::wstring FTerminalID;
    std::wstring FTerminalConfigID;
    std::wstring FSerialNum;
    std::int32_t FTransactNum = -1;
    std::int32_t FReceiptNum = -1;
    bool FEnabled = false;
    TProviders FProviders;
    // What the cache files held when this client last read or wrote them.
    std::optional<FileStamp> FResultCodesStamp;
    std::optional<FileStamp> FProvidersStamp;
    std::wstring FCurrencyCode = CatalogueTexts::DefaultCurrencyCode;
    TEToken FEToken;
    bool FUseEToken = false;
    HttpSession FHttp;
};

} // namespace svcgate
