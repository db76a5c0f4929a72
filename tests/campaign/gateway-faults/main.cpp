// gateway-faults: the gateway simulator started with each fault switch, the
// registered driver calling the faulted operation. Each call must end in the
// documented code within "SrvResponseTimeout" and a small margin, and the next
// call must work. Also a refused connection and, given --tls-port, a TLS
// endpoint whose certificate for "localhost" the platform does not trust.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"
#include "campaign/Processes.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uEquipmentErrors.h"
#include "gateway/CacheFiles.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewayTexts.h"

#include <cstdio>
#include <map>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

constexpr const wchar_t* Password = CampaignPassword;
constexpr std::int32_t TimeoutMs = 2000;
constexpr DWORD MarginMs = 1000;
constexpr const wchar_t* SendFailed = L"Ошибка отправки запроса.";
constexpr const wchar_t* ParseFailed = L"Ошибка разбора ответа.";

// A host call that reaches one gateway operation once the driver is enabled.
struct Reach {
    const wchar_t* operation;
    const wchar_t* method;
    unique_variant (*inData)();
};

unique_variant None() {
    return {};
}

unique_variant Sale() {
    return InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}), MakeVariant(500.0),
                        MakeVariant(500.0), AccountTable(L"9001234567")));
}

unique_variant PaymentOne() {
    return InArray(Args(MakeVariant(L"u-1"), MakeVariant(L"1"), MakeVariant(L"1")));
}

unique_variant Phone() {
    return InArray(Args(MakeVariant(L"3001"), MakeVariant(L"+79001234567")));
}

unique_variant Person() {
    return InArray(Args(MakeVariant(L""), MakeVariant(L"+79001234567"), MakeVariant(L"Иван"),
                        MakeVariant(L""), MakeVariant(L"Иванов"), MakeVariant(L"4500 123456"),
                        MakeVariant(L""), MakeVariant(L""), MakeVariant(L""),
                        MakeVariant(29000.0)));
}

const std::vector<Reach>& Reaches() {
    static const std::vector<Reach> reaches{
        {L"getBalance", L"GetAgentInfo", None},
        {L"checkPaymentRequisites", L"AuthorizeService", Sale},
        {L"getPaymentStatus", L"GetAuthorizationStatus", PaymentOne},
        {L"cancelPayment", L"CancelServiceAuthorization", PaymentOne},
        {L"needIdentifyUser", L"GetNeedIdentifyClient", Phone},
        {L"setIdentifyUser", L"SetIdentifyClient", Person}};
    return reaches;
}

// What a call must end in: the code, and the start of its text when one is
// given, or the whole text.
struct Expected {
    std::int32_t code;
    std::wstring text;
    bool wholeText = false;
};

class Campaign {
public:
    explicit Campaign(const Options& options)
        : options_(options), folder_(options.Extra(L"--folder", L"C:\\users\\Public\\faults")) {}

    // One simulator with `switches`; each call expects what `expected` says of
    // its operation, and then the next call must work.
    void RunSwitches(const std::string& kind, const std::vector<std::wstring>& switches,
                     const std::vector<std::pair<const Reach*, Expected>>& calls) {
        SimulatorProcess simulator(Password, switches);
        DriverHost host(folder_, L"FAULTS");
        host.Configure(GatewaySettings(simulator.Url(), Password, TimeoutMs, false));
        if (!host.Call(L"Enable").ok)
            return Fail(kind, "the driver could not be enabled");
        for (const auto& [reach, expected] : calls) {
            Check(kind + " " + Narrow(reach->operation), host, reach->method, reach->inData(),
                  expected);
            if (!host.Call(L"CheckHealth").ok)
                Fail(kind, "the call after it did not work");
        }
    }

    // An endpoint that cannot serve: enabling fails as documented, and with the
    // simulator's URL the same driver works again.
    void RunEndpoint(const std::string& kind, const std::wstring& url) {
        SimulatorProcess simulator(Password, {});
        DriverHost host(folder_, L"FAULTS");
        host.Configure(GatewaySettings(url, Password, TimeoutMs, false));
        Check(kind, host, L"Enable", {}, {ResultCode::UnknownError, SendFailed});
        host.Configure(GatewaySettings(simulator.Url(), Password, TimeoutMs, false));
        if (!host.Call(L"Enable").ok)
            Fail(kind, "the call after it did not work");
    }

    void Report() const {
        Figure("fault cases", cases_);
        Figure("SrvResponseTimeout", std::to_string(TimeoutMs) + " ms");
        Figure("longest call", std::to_string(longest_) + " ms (" + longestCase_ + ")");
        outcomes_.Print("");
        Figure("failures", failures_.Count());
    }
    long FailureCount() const { return failures_.Count(); }

private:
    void Check(const std::string& kind, DriverHost& host, const wchar_t* method,
               unique_variant inData, const Expected& expected) {
        ++cases_;
        const DWORD start = GetTickCount();
        const HostCall call = host.Call(method, std::move(inData));
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed > longest_) {
            longest_ = elapsed;
            longestCase_ = kind;
        }
        outcomes_.Add(kind + " -> " + std::to_string(call.Code()));
        if (options_.Has(L"--verbose"))
            std::printf("%s: %d after %lu ms: %s\n", kind.c_str(), call.Code(), elapsed,
                        Narrow(call.Text()).c_str());
        const bool textHolds = expected.wholeText ? call.Text() == expected.text
                                                  : call.Text().starts_with(expected.text);
        if (call.Code() != expected.code || !textHolds)
            Fail(kind, "ended in " + std::to_string(call.Code()) + " " + Narrow(call.Text()));
        if (elapsed > DWORD(TimeoutMs) + MarginMs)
            Fail(kind, "took " + std::to_string(elapsed) + " ms");
    }

    void Fail(const std::string& kind, const std::string& what) {
        failures_.Report(options_, cases_, kind + ": " + what);
    }

    Options options_;
    std::wstring folder_;
    Tally outcomes_;
    Failures failures_;
    long cases_ = 0;
    DWORD longest_ = 0;
    std::string longestCase_;
};

// The text the driver gives a gateway code: the gateway's own table, cached
// at enabling, else the built-in one.
std::wstring GatewayText(std::int32_t code) {
    const std::wstring cached = NameValue(
        ReadTextLines(GetDataFolder() + GatewayTexts::ResultCodesFile), std::to_wstring(code));
    return cached.empty() ? GatewayResultText(code) : cached;
}

// A handful of codes with their texts written out, so that a wrong text in the
// driver's table or in the simulator's shows; the short run reaches them all.
// The other codes take theirs from the tables the driver reads.
Expected ExpectedOfCode(std::int32_t code) {
    static const std::map<std::int32_t, std::wstring> written{
        {1, L"Провайдер временно недоступен"},
        {4, L"Неверный формат счета/телефона"},
        {9, L"Timeout от провайдера"},
        {12, L"Невозможно записать сертификат в данное хранилище"}};
    if (const auto text = written.find(code); text != written.end())
        return {ResultCode::UnknownError, text->second, true};
    return {ResultCode::UnknownError, GatewayText(code)};
}

void RunTransportFaults(Campaign& campaign) {
    const std::vector<std::pair<std::string, Expected>> kinds{
        {"delay", {ResultCode::NoAnswer, L""}},
        {"drop", {ResultCode::UnknownError, SendFailed}},
        {"cut", {ResultCode::UnknownError, ParseFailed}},
        {"trickle", {ResultCode::NoAnswer, L""}},
        // The simulator's page is well-formed markup without a result code;
        // pages that do not parse are among the answer fuzzer's cases.
        {"html", {ResultCode::ProtocolError, L""}}};
    for (const auto& [kind, expected] : kinds)
        for (const Reach& reach : Reaches()) {
            const std::wstring operation = reach.operation;
            const std::vector<std::wstring> switches =
                kind == "delay"
                    ? std::vector<std::wstring>{L"--delay", operation + L"=" +
                                                                std::to_wstring(TimeoutMs + 3000)}
                    : std::vector<std::wstring>{L"--" + Utf8ToWide(kind), operation};
            campaign.RunSwitches(kind, switches, {{&reach, expected}});
        }
}

// Several operations faulted at once, each with its own code: one simulator
// serves as many codes as there are operations.
void RunGatewayCodes(Campaign& campaign, long limit) {
    std::vector<std::int32_t> codes = GatewayCodes();
    if (limit < static_cast<long>(codes.size()))
        codes.resize(static_cast<size_t>(limit));
    for (size_t first = 0; first < codes.size(); first += Reaches().size()) {
        std::vector<std::wstring> switches;
        std::vector<std::pair<const Reach*, Expected>> calls;
        for (size_t i = 0; i < Reaches().size() && first + i < codes.size(); ++i) {
            const std::int32_t code = codes[first + i];
            const Reach& reach = Reaches()[i];
            switches.push_back(L"--fault");
            switches.push_back(std::wstring(reach.operation) + L"=" + std::to_wstring(code));
            calls.push_back({&reach, {ResultCode::UnknownError, L""}});
        }
        // The texts come from the cache the first enabling writes.
        for (size_t i = 0; i < calls.size(); ++i)
            calls[i].second = ExpectedOfCode(codes[first + i]);
        campaign.RunSwitches("gateway code", switches, calls);
    }
}

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(1000);
    std::printf("gateway-faults --codes %ld\n", options.ExtraNumber(L"--codes", 1000));
    return RunGuarded([&] {
        Campaign campaign(options);
        RunTransportFaults(campaign);
        RunGatewayCodes(campaign, options.ExtraNumber(L"--codes", 1000));
        campaign.RunEndpoint("refused connection", L"http://127.0.0.1:" +
                                                       std::to_wstring(FreePort()) +
                                                       L"/xmlgate/xml.jsp");
        if (const long tls = options.ExtraNumber(L"--tls-port", 0))
            campaign.RunEndpoint("untrusted TLS certificate", L"https://localhost:" +
                                                                  std::to_wstring(tls) +
                                                                  L"/xmlgate/xml.jsp");
        else
            Figure("untrusted TLS certificate", "not run (no --tls-port)");
        campaign.Report();
        return campaign.FailureCount() == 0 ? 0 : 1;
    });
}
