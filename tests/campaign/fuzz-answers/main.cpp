// fuzz-answers: every gateway operation of the gateway client, answered by the
// gateway test server with a malformed answer made from the simulator's valid
// one. Each call must end in a result code the client documents (or the one
// exception class, which the host sees as 1001), a failed refresh must leave
// the cache files as they were, and memory must stay flat.

#include "campaign/Campaign.h"
#include "Mutations.h"

#include "campaign/DriverHost.h"
#include "campaign/Processes.h"
#include "common/Exception.h"
#include "common/Owners.h"
#include "common/SharedFiles.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uEquipmentErrors.h"
#include "gateway-sim/GatewaySimulator.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayTexts.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>

#include <winhttp.h>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

constexpr const wchar_t* Password = CampaignPassword;

class Client : public TDevice {
public:
    using TDevice::GetLastIds;
};

// Which client call sends the operation, and whether it is an enabling that
// may refresh the cache files.
struct Target {
    const wchar_t* operation;
    bool enabling;
    std::function<std::int32_t(Client&, Random&)> call;
};

std::int32_t Pay(Client& client, TPaymentMode mode) {
    TPaymentStatus status = psError;
    std::int32_t id = 0;
    std::wstring transaction;
    return client.AuthorizePayment(1000000, 1000000, L"1001", L"9001234567", {L"note=x"}, mode,
                                   status, id, transaction);
}

const std::vector<Target>& Targets() {
    using C = Client;
    static const std::vector<Target> targets{
        {L"getLastIds", true, [](C& c, Random&) { return c.Enable(false); }},
        {L"getConfigId", true, [](C& c, Random&) { return c.Enable(false); }},
        {L"getAgentInfo", true,
         [](C& c, Random& r) {
             TAgentInfo agent;
             return r.Chance(50) ? c.Enable(false) : c.GetAgentInfo(agent);
         }},
        {L"getResultCodes", true, [](C& c, Random&) { return c.Enable(true); }},
        {L"getUIProviders", true, [](C& c, Random&) { return c.Enable(true); }},
        {L"getCommissions", true, [](C& c, Random&) { return c.Enable(true); }},
        {L"getCommissionProfiles", true, [](C& c, Random&) { return c.Enable(true); }},
        {L"getProviders", false, [](C& c, Random&) { return c.GetProviders(); }},
        {L"checkPaymentRequisites", false, [](C& c, Random&) { return Pay(c, pmCheck); }},
        {L"authorizePayment", false, [](C& c, Random&) { return Pay(c, pmOnLine); }},
        {L"addOfflinePayment", false, [](C& c, Random&) { return Pay(c, pmOffLine); }},
        {L"getPaymentStatus", false,
         [](C& c, Random& r) {
             std::int32_t code = 0;
             std::wstring text;
             TPaymentStatus status = psError;
             bool fatal = false;
             return c.GetPaymentStatus(static_cast<std::int32_t>(r.Between(1, 50)), code, text,
                                       status, fatal);
         }},
        {L"cancelPayment", false,
         [](C& c, Random& r) {
             TPaymentStatus status = psError;
             std::wstring cancel;
             return c.CancelPayment(static_cast<std::int32_t>(r.Between(1, 50)), L"", status,
                                    cancel);
         }},
        {L"getBalance", false,
         [](C& c, Random&) {
             Currency balance = 0, tree = 0, overdraft = 0;
             return c.GetBalance(balance, tree, overdraft);
         }},
        {L"needIdentifyUser", false,
         [](C& c, Random&) {
             bool need = false;
             return c.GetNeedIdentifyUser(L"+79001234567", need);
         }},
        {L"setIdentifyUser", false,
         [](C& c, Random&) {
             return c.SetIdentifyUser(L"+79001234567", L"Иван", L"Иванович", L"Иванов",
                                      L"4500 123456", L"", L"", L"", 30000.0);
         }},
    };
    return targets;
}

// The answer of one case: the simulator's, with the first answer to the target
// operation damaged.
class Responder {
public:
    explicit Responder(tools::GatewaySimulator& simulator) : simulator_(simulator) {}
    void Arm(std::wstring operation, const Mutation* mutation, Random* random) {
        std::lock_guard lock(mutex_);
        operation_ = std::move(operation);
        mutation_ = mutation;
        random_ = random;
    }
    tools::ScriptedAnswer Answer(const tools::ReceivedRequest& request) {
        tools::SimulatedAnswer answer = simulator_.Answer(request);
        std::lock_guard lock(mutex_);
        if (mutation_ && answer.operation == operation_) {
            answer.answer.body = mutation_->apply(*random_, answer.answer.body);
            if (random_->Chance(10))
                answer.answer.contentType = random_->Chance(50) ? "" : "text/html; charset=koi8-r";
            mutation_ = nullptr;
        }
        return answer.answer;
    }

private:
    tools::GatewaySimulator& simulator_;
    std::mutex mutex_;
    std::wstring operation_;
    const Mutation* mutation_ = nullptr;
    Random* random_ = nullptr;
};

using CacheBytes = std::vector<std::optional<std::string>>;

CacheBytes ReadCache() {
    const std::wstring folder = GetDataFolder();
    CacheBytes bytes;
    for (const wchar_t* file :
         {GatewayTexts::SettingsFile, GatewayTexts::ResultCodesFile, GatewayTexts::ProvidersFile})
        bytes.push_back(ReadSharedFile(folder + file));
    return bytes;
}

void RestoreCache(const CacheBytes& bytes) {
    const std::wstring folder = GetDataFolder();
    const wchar_t* files[] = {GatewayTexts::SettingsFile, GatewayTexts::ResultCodesFile,
                              GatewayTexts::ProvidersFile};
    for (size_t i = 0; i < bytes.size(); ++i)
        ReplaceFile(folder + files[i], [&](const std::wstring& path) {
            unique_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            CheckWin32(WriteFile(file.get(), bytes[i]->data(), DWORD(bytes[i]->size()), &written,
                                 nullptr));
        });
}

void Configure(Client& client, const std::wstring& url) {
    client.SetServer1URL(url);
    client.SetLogin(L"dealer");
    client.SetPassword(Password);
    client.SetTerminalID(L"77");
}

bool Documented(std::int32_t code) {
    return code == ResultCode::Success || code == ResultCode::UnknownError ||
           code == ResultCode::NoAnswer || code == ResultCode::ProtocolError;
}

struct Campaign {
    Options options;
    tools::GatewaySimulator simulator;
    Responder responder{simulator};
    tools::GatewayServer server;
    CacheBytes goodCache;
    Tally mutations, results;
    Failures failures;
    long currentCase = 0;
    long failedEnablings = 0;
    long changedCaches = 0;

    explicit Campaign(const Options& given) : options(given), simulator(SimulatorSettings()) {
        server.SetResponder(
            [this](const tools::ReceivedRequest& r) { return responder.Answer(r); });
    }

    static tools::SimulatorOptions SimulatorSettings() {
        tools::SimulatorOptions settings;
        settings.catalogue = SimulatorFile(L"catalogue.xml");
        settings.password = Password;
        settings.balance = 1'000'000'000'000'0000ll;
        return settings;
    }

    // --operation and --mutation hold a run to one kind, to find which one a figure
    // comes from.
    const Target& Chosen(const Target& drawn) const {
        const std::wstring name = options.Extra(L"--operation");
        for (const Target& target : Targets())
            if (target.operation == name)
                return target;
        return drawn;
    }
    const Mutation& Chosen(const Mutation& drawn) const {
        const std::string name = Narrow(options.Extra(L"--mutation"));
        for (const Mutation& mutation : Mutations())
            if (mutation.name == name)
                return mutation;
        return drawn;
    }

    // A first enabling with valid answers writes the cache every case starts from.
    void Prepare() {
        Client client;
        Configure(client, server.Url());
        if (client.Enable(true) != ResultCode::Success)
            throw Exception(L"the client cannot be enabled with valid answers");
        goodCache = ReadCache();
    }

    void RunCase(long caseNumber) {
        currentCase = caseNumber;
        LeakOnPurpose(options);
        Random random(options.seed, static_cast<std::uint64_t>(caseNumber));
        const Target& target = Chosen(random.Pick(Targets()));
        const Mutation& mutation = Chosen(DrawMutation(random, caseNumber));
        mutations.Add(mutation.name);
        const DWORD began = GetTickCount();
        Client client;
        Configure(client, server.Url());
        client.ReadSettings();
        if (!target.enabling && client.GetLastIds() != ResultCode::Success)
            throw Exception(L"the numbering cannot be had with a valid answer");
        responder.Arm(target.operation, &mutation, &random);
        const std::string where = Narrow(target.operation) + ", " + mutation.name;
        if (options.Has(L"--verbose"))
            std::printf("case %ld: %s\n", caseNumber, where.c_str());
        std::int32_t code = -1;
        try {
            code = target.call(client, random);
            results.Add(std::to_string(code));
            if (options.Has(L"--verbose"))
                std::printf("  %d after %lu ms: %s\n", code, GetTickCount() - began,
                            Narrow(client.LastResultDescription()).c_str());
            if (!Documented(code))
                failures.Report(options, caseNumber, where + ": result " + std::to_string(code));
        } catch (const Exception& error) {
            results.Add("Exception (the host sees 1001)");
        } catch (const std::exception& error) {
            results.Add("another exception");
            failures.Report(options, caseNumber, where + ": " + error.what());
        }
        responder.Arm(L"", nullptr, nullptr);
        server.ForgetRequests();
        CheckCache(caseNumber, where, target.enabling && code != ResultCode::Success);
        if (options.Has(L"--verbose"))
            std::printf("  case ends after %lu ms\n", GetTickCount() - began);
    }

    // After a failed enabling the files are what they were; whatever an enabling
    // that succeeded wrote is put back for the next case.
    void CheckCache(long caseNumber, const std::string& where, bool failedEnabling) {
        const CacheBytes now = ReadCache();
        failedEnablings += failedEnabling;
        if (now == goodCache)
            return;
        if (failedEnabling) {
            ++changedCaches;
            failures.Report(options, caseNumber, where + ": the cache files changed");
        }
        RestoreCache(goodCache);
    }
};

// The proxy lookup a new client makes once, bare: the user's settings, then
// automatic detection, which Wine's default settings ask for.
void LookUpProxy(const std::wstring& url) {
    const unique_hinternet session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&user))
        return;
    const unique_hglobal script(user.lpszAutoConfigUrl), proxy(user.lpszProxy),
        bypass(user.lpszProxyBypass);
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    WINHTTP_PROXY_INFO found{};
    WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &found);
    const unique_hglobal foundProxy(found.lpszProxy), foundBypass(found.lpszProxyBypass);
}

// Every case creates a new client, so the cases' growth is set beside what the
// platform's own lookup keeps (about 530 bytes under Wine); a client or an answer
// document left behind in every case is several times more. Measured first, lest
// the lookups fill memory that what came before had freed.
long long BareProxyLookupGrowth(long cases) {
    const std::wstring url = L"http://127.0.0.1:8080/";
    const long rounds = std::clamp<long>(cases, 1, 500);
    for (long round = 0; round < rounds / 10; ++round)
        LookUpProxy(url);
    const ProcessFigures before = MeasureProcess();
    for (long round = 0; round < rounds; ++round)
        LookUpProxy(url);
    return (static_cast<long long>(MeasureProcess().committed) -
            static_cast<long long>(before.committed)) /
           rounds;
}

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(10000);
    const long long bareLookup = BareProxyLookupGrowth(options.count);
    Campaign campaign(options);
    ReportCrashesOf(&campaign.currentCase, options);
    std::printf("fuzz-answers %s\n", Narrow(OptionsText(options)).c_str());
    campaign.Prepare();
    const Budget budget(options);
    const DWORD start = GetTickCount();
    const long warmUp = std::min<long>(200, options.count / 10);
    ProcessFigures settled = MeasureProcess();
    long done = 0;
    for (; budget.Allows(done); ++done) {
        if (done == warmUp)
            settled = MeasureProcess();
        campaign.RunCase(options.first + done);
    }
    const ProcessFigures end = MeasureProcess();
    Figure("cases (malformed answers)", done);
    Figure("gateway operations", static_cast<long long>(Targets().size()));
    Figure("crashes", 0LL);
    campaign.mutations.Print("mutation ");
    campaign.results.Print("result ");
    Figure("failed enablings", campaign.failedEnablings);
    Figure("failed enablings that changed a cache file", campaign.changedCaches);
    Figure("committed memory growth of the bare proxy lookup a new client makes",
           std::to_string(bareLookup) + " bytes per lookup");
    const bool flat = GrowthFigures("cases", settled, end, done - warmUp,
                                    {.bytesPerCase = 1024,
                                     .slackBytes = 2 * 1024 * 1024,
                                     .casesPerHandle = 100,
                                     .slackHandles = 16},
                                    std::max(bareLookup, 0LL) * (done - warmUp));
    Figure("seconds", static_cast<long long>((GetTickCount() - start) / 1000));
    Figure("failures", campaign.failures.Count());
    const bool counted =
        Check(done >= options.count,
              "ran " + std::to_string(done) + " cases of " + std::to_string(options.count)) &
        Check(campaign.mutations.Total() == done && campaign.results.Total() == done,
              "mutations and results do not add up to the cases") &
        Check(campaign.results.Of("0") > 0 || done < 100, "no call succeeded");
    return campaign.failures.Count() == 0 && counted && flat ? 0 : 1;
}
