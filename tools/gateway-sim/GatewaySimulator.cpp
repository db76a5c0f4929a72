#include "gateway-sim/GatewaySimulator.h"

#include "gateway-sim/GatewayAnswer.h"
#include "gateway-sim/SimulatorTexts.h"

#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"

#include <algorithm>

namespace svcgate::tools {

namespace {

constexpr const char* Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr const char* XmlContent = "text/xml; charset=UTF-8";

// The client's prolog names windows-1251 over UTF-8 bytes; the parser would
// believe it.
std::string_view WithoutProlog(std::string_view body) {
    const size_t end = body.starts_with("<?xml") ? body.find("?>") : std::string_view::npos;
    return end == std::string_view::npos ? body : body.substr(end + 2);
}

XmlNode GroupElement(const XmlNode& root) {
    for (XmlNode& child : root.SelectNodes(L"*"))
        if (child.Name() != L"auth" && child.Name() != L"client")
            return std::move(child);
    return {};
}

// The bytes of a Base64 text, each widened as it is: the client encodes a
// login's characters the same way.
std::wstring Base64Decode(std::string_view text) {
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::wstring bytes;
    unsigned bits = 0, count = 0;
    for (const char c : text) {
        const size_t value = alphabet.find(c);
        if (value == std::string_view::npos)
            continue;
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<wchar_t>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

ScriptedAnswer Refused(std::int32_t code) {
    return {.body =
                std::string(Declaration) + "<response result=\"" + std::to_string(code) + "\"/>",
            .contentType = XmlContent};
}

} // namespace

std::string Attribute(const char* name, std::wstring_view value) {
    std::wstring escaped;
    for (const wchar_t c : value)
        escaped += c == L'&'   ? L"&amp;"
                   : c == L'<' ? L"&lt;"
                   : c == L'"' ? L"&quot;"
                               : std::wstring(1, c);
    return std::string(" ") + name + "=\"" + WideToUtf8(escaped) + "\"";
}

GatewaySimulator::GatewaySimulator(SimulatorOptions options)
    : options_(std::move(options)),
      catalogue_(
          LoadCatalogue(options_.catalogue.empty() ? DefaultCatalogue() : options_.catalogue)),
      balance_(options_.balance) {}

const std::map<std::wstring, GatewaySimulator::Operation>& GatewaySimulator::Operations() {
    using S = GatewaySimulator;
    static const std::map<std::wstring, Operation> operations{
        {L"getLastIds", {L"terminals", &S::LastIds}},
        {L"getConfigId", {L"terminals", &S::ConfigId}},
        {L"getCommissions", {L"terminals", &S::Commissions}},
        {L"getCommissionProfiles", {L"terminals", &S::Profiles}},
        {L"getProviders", {L"providers", &S::Providers}},
        {L"getUIProviders", {L"providers", &S::UIProviders}},
        {L"checkPaymentRequisites", {L"providers", &S::Check}},
        {L"authorizePayment", {L"providers", &S::Register}},
        {L"addOfflinePayment", {L"providers", &S::Register}},
        {L"getPaymentStatus", {L"providers", &S::Status}},
        {L"cancelPayment", {L"providers", &S::Cancel}},
        {L"getResultCodes", {L"system", &S::ResultCodes}},
        {L"needIdentifyUser", {L"system", &S::NeedIdentify}},
        {L"setIdentifyUser", {L"system", &S::Accepted}},
        {L"getAgentInfo", {L"agents", &S::AgentInfo}},
        {L"getBalance", {L"agents", &S::Balance}},
        {L"setPublicKey", {L"persons", &S::Accepted}}};
    return operations;
}

SimulatedAnswer GatewaySimulator::Answer(const ReceivedRequest& request) {
    // Connection threads start without COM; the parser needs it.
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    XmlDocument doc;
    const bool parsed = doc.LoadXml(Utf8ToWide(WithoutProlog(request.body)));
    const XmlNode root = parsed ? doc.DocumentElement() : XmlNode();
    if (!root || root.Name() != L"request")
        return {Refused(ForbiddenRequest), L"", std::to_string(ForbiddenRequest)};
    const XmlNode group = GroupElement(root);
    const XmlNode element = group ? group.SelectSingleNode(L"*") : XmlNode();
    const std::wstring groupName = group ? group.Name() : L"";
    const std::wstring operation = element ? element.Name() : L"";
    const Strike struck = TakeStrike(operation);
    const LinkFault strike = struck.fault;
    SimulatedAnswer answer;
    if (options_.drop.contains(operation) || strike == LinkFault::LostRequest)
        answer = {{.fault = ScriptedAnswer::Fault::DropBeforeAnswer}, operation, "drop"};
    else if (options_.html.contains(operation))
        answer = {
            {.body = ProxyErrorPage, .contentType = "text/html", .status = 502}, operation, "html"};
    else if (const std::int32_t refusal = Refusal(root, request, groupName, operation))
        answer = {Refused(refusal), operation, std::to_string(refusal)};
    else
        answer = Serve(groupName, operation, element, struck);
    if (strike == LinkFault::Dropped)
        answer.answer.fault = ScriptedAnswer::Fault::DropBeforeAnswer;
    else if (options_.cut.contains(operation) || strike == LinkFault::Cut)
        answer.answer.fault = ScriptedAnswer::Fault::DropMidAnswer;
    else if (options_.trickle.contains(operation))
        answer.answer.fault = ScriptedAnswer::Fault::Trickle;
    if (const auto delay = options_.delays.find(operation); delay != options_.delays.end())
        answer.answer.delayMs = delay->second;
    if (strike == LinkFault::Late)
        answer.answer.delayMs = struck.delayMs;
    return answer;
}

std::int32_t GatewaySimulator::Refusal(const XmlNode& root, const ReceivedRequest& request,
                                       const std::wstring& group,
                                       const std::wstring& operation) const {
    const XmlNode auth = root.SelectSingleNode(L"auth");
    if (auth ? !Authorised(auth) : !Signed(request))
        return BadPassword;
    // The key registration is the one request built without the terminal.
    const XmlNode client = root.SelectSingleNode(L"client");
    if (operation != L"setPublicKey" &&
        (!client || ReadNodeAttribute(client, L"terminal", L"") != options_.terminal))
        return BadTerminal;
    const auto known = Operations().find(operation);
    return known != Operations().end() && group == known->second.group ? Ok : ForbiddenRequest;
}

bool GatewaySimulator::Authorised(const XmlNode& auth) const {
    return ReadNodeAttribute(auth, L"login", L"") == options_.login &&
           ReadNodeAttribute(auth, L"sign", L"") == MD5HexUpper(options_.password);
}

// The signature itself is not verified: the simulator holds no dealer's public key.
bool GatewaySimulator::Signed(const ReceivedRequest& request) const {
    const std::optional<std::string> login = request.Header("X-Digital-Sign-Login");
    return request.Header("X-Digital-Sign") && login && Base64Decode(*login) == options_.login;
}

SimulatedAnswer GatewaySimulator::Serve(const std::wstring& group, const std::wstring& operation,
                                        const XmlNode& element, const Strike& strike) {
    Reply reply;
    if (const auto fault = options_.faults.find(operation); fault != options_.faults.end()) {
        reply.result = fault->second;
    } else {
        std::lock_guard lock(mutex_);
        reply = strike.code != Ok ? Coded(element, strike)
                                  : (this->*Operations().at(operation).handler)(element);
    }
    const std::int32_t outcome = reply.result != Ok ? reply.result : reply.paymentResult;
    return {{.body = GatewayAnswer(WideToUtf8(group), WideToUtf8(operation),
                                   std::to_string(reply.result), reply.inner),
             .contentType = XmlContent},
            operation,
            std::to_string(outcome)};
}

GatewaySimulator::Reply GatewaySimulator::LastIds(const XmlNode&) {
    return {.inner = "<last-payment" + Attribute("id", std::to_wstring(lastId_)) +
                     Attribute("receipt-number", std::to_wstring(lastReceipt_)) + "/>"};
}

GatewaySimulator::Reply GatewaySimulator::ConfigId(const XmlNode&) {
    return {.inner = "<id>" + WideToUtf8(catalogue_.configId) + "</id>"};
}

GatewaySimulator::Reply GatewaySimulator::AgentInfo(const XmlNode&) {
    std::string agent = "<agent";
    for (const auto& [name, value] : AgentAttributes)
        agent += Attribute(name, Utf8ToWide(value));
    return {.inner = agent + "/>"};
}

GatewaySimulator::Reply GatewaySimulator::Balance(const XmlNode&) {
    const std::string balance = WideToUtf8(CurrencyToText(balance_));
    return {.inner = "<balance>" + balance + "</balance><tree-balance>" + balance +
                     "</tree-balance><overdraft>0</overdraft>"};
}

GatewaySimulator::Reply GatewaySimulator::ResultCodes(const XmlNode&) {
    std::string rows;
#define SIM_RESULT(name, code, text)                                                               \
    rows += "<row" + Attribute("err_id", std::to_wstring(code)) +                                  \
            Attribute("err_text", Utf8ToWide(text)) + "/>";
#include "gateway-sim/SimulatorResults.def"
#undef SIM_RESULT
    return {.inner = rows};
}

GatewaySimulator::Reply GatewaySimulator::UIProviders(const XmlNode&) {
    return {.inner = catalogue_.providerMarkup};
}

GatewaySimulator::Reply GatewaySimulator::Commissions(const XmlNode&) {
    return {.inner = Rows([](const CatalogueProvider& provider) {
                return Attribute("prv-id", provider.id) +
                       Attribute("fix-com", provider.fixCommission) +
                       Attribute("profile-id", provider.profileId);
            })};
}

GatewaySimulator::Reply GatewaySimulator::Profiles(const XmlNode&) {
    return {.inner = catalogue_.profileMarkup};
}

GatewaySimulator::Reply GatewaySimulator::Providers(const XmlNode&) {
    return {.inner = Rows([](const CatalogueProvider& provider) {
                return Attribute("prv-id", provider.id) +
                       Attribute("long-name", provider.longName) +
                       Attribute("short-name", provider.shortName) +
                       Attribute("prv-inn", provider.inn) +
                       Attribute("max-amount", CurrencyToText(provider.maxSum)) +
                       Attribute("min-amount", CurrencyToText(provider.minSum));
            })};
}

std::string GatewaySimulator::Rows(std::string (*attributes)(const CatalogueProvider&)) const {
    std::string rows;
    for (const CatalogueProvider& provider : catalogue_.providers)
        rows += "<row" + attributes(provider) + "/>";
    return rows;
}

GatewaySimulator::Reply GatewaySimulator::NeedIdentify(const XmlNode& operation) {
    const XmlNode phone = operation.SelectSingleNode(L"phone");
    const bool identify = phone && phone.Text().starts_with(IdentifiedPhonePrefix);
    return {.inner = std::string("<identify>") + (identify ? "1" : "0") + "</identify>"};
}

GatewaySimulator::Reply GatewaySimulator::Accepted(const XmlNode&) {
    return {};
}

} // namespace svcgate::tools
