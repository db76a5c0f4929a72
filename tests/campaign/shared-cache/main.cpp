// shared-cache: three processes, each with its own driver and its own gateway
// in-process, enable and refresh the catalogue at once for many rounds while
// the gateway's configuration changes under them. After every round a process
// checks the catalogue it loaded: whole, of one configuration only, and of the
// configuration its gateway named. At the end the files must be valid.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"
#include "campaign/Processes.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/Xml.h"
#include "common/uCommonUtils.Folders.h"
#include "gateway-sim/GatewayAnswer.h"
#include "gateway-sim/server/GatewayServer.h"
#include "gateway/CacheFiles.h"
#include "gateway/uGatewayTexts.h"

#include <cstdio>
#include <mutex>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

constexpr const wchar_t* Password = CampaignPassword;
constexpr int Versions = 3;
// The gateway's configuration changes this often, the same for every process.
constexpr DWORD VersionMs = 300;
constexpr int Workers = 3;

int ProvidersOf(int version) {
    return 40 + 30 * version;
}

// The client adds its test provider to every catalogue it loads.
int CatalogueSize(int version) {
    return ProvidersOf(version) + 1;
}

std::string ProviderID(int version, int index) {
    std::string id = "v";
    id += std::to_string(version);
    id += "-p";
    id += std::to_string(index);
    return id;
}

std::string AnswerOf(const std::wstring& operation, int version) {
    using tools::GatewayAnswer;
    const std::string v = std::to_string(version);
    std::string rows;
    if (operation == L"getLastIds")
        return GatewayAnswer("terminals", "getLastIds", "0",
                             "<last-payment id=\"1\" receipt-number=\"1\"/>");
    if (operation == L"getConfigId")
        return GatewayAnswer("terminals", "getConfigId", "0", "<id>cfg-v" + v + "</id>");
    if (operation == L"getAgentInfo")
        return GatewayAnswer("agents", "getAgentInfo", "0", "<agent name=\"A\" cur-id=\"643\"/>");
    if (operation == L"getResultCodes")
        return GatewayAnswer("system", "getResultCodes", "0",
                             "<row err_id=\"1\" err_text=\"v" + v + "\"/>");
    if (operation == L"getCommissionProfiles")
        return GatewayAnswer("terminals", "getCommissionProfiles", "0",
                             "<profile id=\"v" + v + "\"><profile-data order=\"1\" com-percent=\"" +
                                 std::to_string(version + 1) + "\"/></profile>");
    for (int i = 0; i < ProvidersOf(version); ++i)
        rows += operation == L"getUIProviders"
                    ? "<provider id=\"" + ProviderID(version, i) +
                          "\" lName=\"P\" curId=\"643\">"
                          "<pages><page><controls><control type=\"text_input\" name=\"account\"/>"
                          "</controls></page></pages></provider>"
                    : "<row prv-id=\"" + ProviderID(version, i) +
                          "\" fix-com=\"0\" profile-id=\"v" + v + "\"/>";
    return GatewayAnswer(operation == L"getUIProviders" ? "providers" : "terminals",
                         Narrow(operation), "0", rows);
}

// The operation a request names: the element after "<client .../>" and its group.
std::wstring OperationOf(const std::string& body) {
    const size_t group = body.find('<', body.find("<client") + 1);
    const size_t start = body.find('<', group + 1) + 1;
    return Utf8ToWide(body.substr(start, body.find_first_of("/> ", start) - start));
}

// One enabling sees one configuration: the one current at its first request.
class VersionedGateway {
public:
    VersionedGateway() {
        server_.SetResponder([this](const tools::ReceivedRequest& request) {
            const std::wstring operation = OperationOf(request.body);
            std::lock_guard lock(mutex_);
            if (operation == L"getLastIds")
                served_ = static_cast<int>(GetTickCount() / VersionMs % Versions);
            return tools::ScriptedAnswer{AnswerOf(operation, served_)};
        });
    }
    std::wstring Url() const { return server_.Url(); }
    int Served() {
        std::lock_guard lock(mutex_);
        server_.ForgetRequests();
        return served_;
    }

private:
    tools::GatewayServer server_;
    std::mutex mutex_;
    int served_ = 0;
};

// What one process's round found in the catalogue it loaded.
std::string Verdict(DriverHost& host, int served) {
    const HostCall codes = host.Call(L"GetServiceCodes");
    if (!codes.ok)
        return "no catalogue";
    const unique_variant table = GetElement(ArrayOf(codes.out.get()), 0);
    SAFEARRAY* rows = ArrayOf(table.get());
    const long count = UpperBound(rows, 2) + 1;
    const std::wstring first = count > 0 ? VariantToText(GetElement(rows, 0, 0).get()) : L"";
    const int version = first.size() > 1 ? first[1] - L'0' : -1;
    if (version < 0 || version >= Versions || count != CatalogueSize(version))
        return "truncated catalogue";
    for (long i = 0; i + 1 < count; ++i)
        if (Narrow(VariantToText(GetElement(rows, 0, i).get())) != ProviderID(version, int(i)))
            return "mixed catalogue";
    const HostCall commission =
        host.Call(L"GetServiceComission", InArray(Args(MakeVariant(first), MakeVariant(1000.0))));
    if (!commission.ok || commission.Element(1) != std::to_wstring(10 * (version + 1)))
        return "providers and profiles of different configurations";
    return version == served ? "whole and current" : "whole, but of another configuration";
}

int RunWorker(const Options& options) {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    VersionedGateway gateway;
    const std::wstring id = options.Extra(L"--id", L"0");
    DriverHost host(options.Extra(L"--folder", L"C:\\users\\Public\\shared-cache"), L"CACHE" + id);
    host.Configure(GatewaySettings(gateway.Url(), Password, 10000, false));
    Tally verdicts;
    const Budget budget(options);
    long rounds = 0;
    for (; budget.Allows(rounds); ++rounds) {
        host.Call(L"Disable");
        HostCall enabled = host.Call(L"Enable");
        if (enabled.ok && rounds % 2 == 1)
            enabled = host.Call(L"InitializeTerminal");
        const int served = gateway.Served();
        verdicts.Add(enabled.ok ? Verdict(host, served)
                                : "enabling failed: " + Narrow(enabled.Text()));
    }
    Figure("rounds", rounds);
    verdicts.Print("");
    return 0;
}

// The files the last writer left: one configuration, whole, in all three.
std::string FilesVerdict() {
    const std::wstring folder = GetDataFolder();
    const std::wstring config = ReadIniText(folder + GatewayTexts::SettingsFile,
                                            GatewayTexts::SettingsSection, L"TerminalConfigID");
    const std::vector<std::wstring> codes = ReadTextLines(folder + GatewayTexts::ResultCodesFile);
    XmlDocument catalogue;
    if (!catalogue.Load(folder + GatewayTexts::ProvidersFile))
        return "providers.xml does not parse";
    const std::vector<XmlNode> providers = catalogue.SelectNodes(L"//provider");
    if (config.size() != 6 || providers.empty())
        return "no configuration or no providers";
    const int version = config[5] - L'0';
    const bool whole =
        static_cast<int>(providers.size()) == CatalogueSize(version) &&
        catalogue.SelectNodes(L"//profile[@id='v" + std::to_wstring(version) + L"']").size() == 1;
    const bool sameCodes = codes.size() == 1 && codes[0] == L"1=v" + std::to_wstring(version);
    return whole && sameCodes ? "valid, one configuration" : "mixed configurations";
}

int RunCampaign(const Options& options) {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    std::printf("shared-cache %s (%d processes)\n", Narrow(OptionsText(options)).c_str(), Workers);
    std::fflush(stdout);
    std::vector<std::unique_ptr<ChildProcess>> workers;
    for (int k = 0; k < Workers; ++k)
        workers.push_back(std::make_unique<ChildProcess>(ThisProgramQuoted() + L" --worker --id " +
                                                         std::to_wstring(k) + L" " +
                                                         OptionsText(options)));
    Tally verdicts;
    long failures = 0;
    for (auto& worker : workers) {
        worker->CloseInput();
        std::string line;
        while (worker->ReadLine(line)) {
            const size_t colon = line.rfind(": ");
            if (line.starts_with("  ") && colon != std::string::npos)
                verdicts.Add(line.substr(2, colon - 2), std::stol(line.substr(colon + 2)));
            else
                std::printf("%s\n", line.c_str());
        }
        failures += worker->Wait() != 0;
    }
    for (const auto& [verdict, count] : verdicts.Counts())
        if (verdict != "rounds" && verdict != "whole and current")
            failures += count;
    Figure("processes", Workers);
    verdicts.Print("");
    const std::string files = FilesVerdict();
    Figure("files at the end", files);
    return failures == 0 && files == "valid, one configuration" ? 0 : 1;
}

} // namespace

int main() {
    const Options options = ParseOptions(200);
    return RunGuarded(
        [&] { return options.Has(L"--worker") ? RunWorker(options) : RunCampaign(options); });
}
