#pragma once
// A stand-in for the SvcGate gateway with a memory: it checks each request as
// the gateway would (well-formed, the dealer's password or signature login, the
// terminal, a known operation), keeps the numbering, the balance and the
// payments, and answers with the elements the client reads.

#include "gateway-sim/server/GatewayServer.h"
#include "gateway-sim/Catalogue.h"
#include "gateway-sim/SimulatorOptions.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace svcgate {
class XmlNode;
}

namespace svcgate::tools {

enum SimResult : std::int32_t {
#define SIM_RESULT(name, code, text) name = code,
#include "gateway-sim/SimulatorResults.def"
#undef SIM_RESULT
};

// One answer, with what the log line tells of it.
struct SimulatedAnswer {
    ScriptedAnswer answer = {};
    // As the request named it; empty when the request was not XML.
    std::wstring operation = {};
    // The first non-zero result code of the root, the operation or the payment;
    // "html" or "drop" for the switches that send no XML.
    std::string outcome = {};
};

// What the link does to one request: lost before the gateway saw it; or taken
// by the gateway, then its answer dropped, cut halfway or sent too late.
enum class LinkFault { None, LostRequest, Dropped, Cut, Late };

// A payment the gateway holds.
struct HeldPayment {
    std::int32_t id = 0;
    std::int32_t receipt = 0;
    std::wstring service;
    std::wstring account;
    Currency from = 0;
    Currency to = 0;
    std::wstring uid;
    ULONGLONG registeredAt = 0;
    bool queried = false;
    bool cancelled = false;
};

// ` name="value"` for an answer, escaped, in UTF-8.
std::string Attribute(const char* name, std::wstring_view value);

class GatewaySimulator {
public:
    // Reads the catalogue (an Exception when it cannot); call on a thread that
    // has COM, as every later call makes sure of itself.
    explicit GatewaySimulator(SimulatorOptions options);

    // Safe on any thread: the server serves each connection on its own.
    SimulatedAnswer Answer(const ReceivedRequest& request);

    // The next request of `operation` meets `fault`, once; a late answer comes
    // after `delayMs`.
    void StrikeNext(const std::wstring& operation, LinkFault fault, DWORD delayMs = 0);
    // The next request of the payment `operation` is answered with `code` on its
    // payment, once; when `taken`, the payment is held first, as a gateway that
    // took it and failed after.
    void AnswerNext(const std::wstring& operation, std::int32_t code, bool taken);
    // Every payment it holds, in the order it took them.
    std::vector<HeldPayment> Ledger() const;

    // A reply of one operation: its result and its content, in UTF-8.
    struct Reply {
        std::int32_t result = Ok;
        std::string inner = {};
        // The payment element's result, when the operation has one.
        std::int32_t paymentResult = Ok;
    };

private:
    struct PaymentRequest;
    struct Strike {
        std::wstring operation;
        LinkFault fault = LinkFault::None;
        DWORD delayMs = 0;
        std::int32_t code = Ok;
        bool taken = false;
    };
    using Handler = Reply (GatewaySimulator::*)(const XmlNode& operation);
    struct Operation {
        const wchar_t* group;
        Handler handler;
    };

    static const std::map<std::wstring, Operation>& Operations();
    std::int32_t Refusal(const XmlNode& root, const ReceivedRequest& request,
                         const std::wstring& group, const std::wstring& operation) const;
    bool Authorised(const XmlNode& auth) const;
    bool Signed(const ReceivedRequest& request) const;
    SimulatedAnswer Serve(const std::wstring& group, const std::wstring& operation,
                          const XmlNode& element, const Strike& strike);

    Reply LastIds(const XmlNode&);
    Reply ConfigId(const XmlNode&);
    Reply AgentInfo(const XmlNode&);
    Reply Balance(const XmlNode&);
    Reply ResultCodes(const XmlNode&);
    Reply UIProviders(const XmlNode&);
    Reply Commissions(const XmlNode&);
    Reply Profiles(const XmlNode&);
    Reply Providers(const XmlNode&);
    Reply NeedIdentify(const XmlNode& operation);
    // One "row" per provider of the catalogue.
    std::string Rows(std::string (*attributes)(const CatalogueProvider&)) const;
    Reply Accepted(const XmlNode&);
    Reply Check(const XmlNode& operation);
    Reply Register(const XmlNode& operation);
    Reply Status(const XmlNode& operation);
    Reply Cancel(const XmlNode& operation);
    Reply Coded(const XmlNode& operation, const Strike& strike);

    std::int32_t Requisites(const PaymentRequest& payment) const;
    HeldPayment* FindPayment(const PaymentRequest& payment);
    Strike TakeStrike(const std::wstring& operation);

    const SimulatorOptions options_;
    const Catalogue catalogue_;
    mutable std::mutex mutex_;
    std::int32_t lastId_ = 0;
    std::int32_t lastReceipt_ = 0;
    Currency balance_;
    std::vector<HeldPayment> payments_;
    Strike strike_;
};

} // namespace svcgate::tools
