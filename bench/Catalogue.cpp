// A dealer's catalogue of thousands of providers through the gateway client:
// refreshing it from the gateway, enabling from the cache, saving it and
// looking into it, beside the bare platform work each rests on.

#include "support/Timing.h"

#include "common/Owners.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "gateway-sim/GatewayAnswer.h"
#include "gateway-sim/server/GatewayServer.h"
#include "gateway/uDevice.h"

#include <psapi.h>

#include <cstdio>
#include <map>

using namespace svcgate;

namespace {

constexpr int Rounds = 5;

std::string ProviderElements(int count) {
    std::string xml;
    for (int k = 0; k < count; ++k) {
        const std::string id = std::to_string(100000 + k);
        xml += "<provider id=\"" + id + "\" lName=\"Поставщик услуг " + id + "\" sName=\"П" + id +
               "\" inn=\"7700000000\" curId=\"643\" maxSum=\"15000\" "
               "minSum=\"1\" profile-id=\"p" +
               std::to_string(k / 10) + "\"><pages><page><controls>";
        for (const char* name : {"account", "name", "address"})
            xml += std::string("<control type=\"text_input\" name=\"") + name +
                   "\" header=\"Введите значение\" footer=\"до 20 знаков\" mask=\"\"/>";
        xml += "</controls></page></pages></provider>";
    }
    return xml;
}

std::string ProfileElements(int count) {
    std::string xml;
    for (int k = 0; k < count / 10; ++k)
        xml += "<profile id=\"p" + std::to_string(k) +
               "\"><profile-data order=\"1\" com-percent=\"1.5\" com-min=\"10\" "
               "to-amount=\"5000\"/><profile-data order=\"2\" com-percent=\"1\"/></profile>";
    return xml;
}

// The gateway of a dealer with `count` providers.
std::map<std::string, std::string> GatewayOf(int count) {
    using tools::GatewayAnswer;
    return {
        {"getLastIds", GatewayAnswer("terminals", "getLastIds", "0",
                                     "<last-payment id=\"40\" receipt-number=\"16\"/>")},
        {"getConfigId", GatewayAnswer("terminals", "getConfigId", "0", "<id>cfg</id>")},
        {"getAgentInfo", GatewayAnswer("agents", "getAgentInfo", "0", "<agent cur-id=\"643\"/>")},
        {"getResultCodes",
         GatewayAnswer("system", "getResultCodes", "0", "<row err_id=\"1\" err_text=\"x\"/>")},
        {"getUIProviders",
         GatewayAnswer("providers", "getUIProviders", "0", ProviderElements(count))},
        {"getCommissions", GatewayAnswer("terminals", "getCommissions")},
        {"getCommissionProfiles",
         GatewayAnswer("terminals", "getCommissionProfiles", "0", ProfileElements(count))},
    };
}

std::string OperationOf(const tools::ReceivedRequest& request) {
    for (const char* name : {"getLastIds", "getConfigId", "getAgentInfo", "getResultCodes",
                             "getUIProviders", "getCommissionProfiles", "getCommissions"})
        if (request.body.find(std::string("<") + name) != std::string::npos)
            return name;
    return {};
}

// The bare platform work a cached catalogue rests on: the document parsed, and
// every provider's controls selected.
void BareMsxmlLoad(const std::wstring& file) {
    XmlDocument doc;
    bench::Expect(doc.Load(file), L"MSXML loads the catalogue");
    for (const XmlNode& provider : doc.SelectNodes(L"//provider"))
        provider.SelectNodes(L"./pages/page/controls/control");
}

class Client : public TDevice {
public:
    explicit Client(const tools::GatewayServer& server) {
        SetServer1URL(server.Url());
        SetLogin(L"dealer");
        SetTerminalID(L"77");
    }
};

double PeakWorkingSetMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize / 1048576.0;
}

// The bytes in use in every heap of the process: what a loaded catalogue keeps,
// whatever memory the heaps hold free from earlier loads.
double HeapInUseMB() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
    double used = 0;
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heap);
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                used += entry.cbData;
        HeapUnlock(heap);
    }
    return used / 1048576.0;
}

void Measure(int count, bool full) {
    tools::GatewayServer server;
    const std::map<std::string, std::string> answers = GatewayOf(count);
    server.SetResponder([&](const tools::ReceivedRequest& request) {
        return tools::ScriptedAnswer{answers.at(OperationOf(request))};
    });
    Client warm(server);
    bench::Expect(warm.Enable(true) == 0, L"the full refresh");
    const std::wstring file = GetDataFolder() + L"providers.xml";
    const std::string lastIds = server.Requests().at(0).body;
    const std::wstring last = std::to_wstring(100000 + count - 1);
    Currency sum = 0, percent = 0;
    const bench::Case fromCache{"Enable from the cache (new client)",
                                [&] { Client(server).Enable(false); }};
    const bench::Case warmEnable{"Enable, warm cache, same configuration",
                                 [&] { warm.Enable(false); }};
    std::vector<bench::Case> cases{fromCache, warmEnable};
    if (full)
        cases = {{"full refresh from the gateway", [&] { warm.Enable(true); }},
                 fromCache,
                 warmEnable,
                 {"SaveSettings", [&] { warm.SaveSettings(); }},
                 {"GetItemByID of the last provider", [&] { warm.Providers().GetItemByID(last); }},
                 {"CalculateComission",
                  [&] { warm.CalculateComission(last, 1000 * 10000LL, sum, percent); }}};
    const std::string title =
        std::to_string(count) + " providers, medians of " + std::to_string(Rounds) + " rounds";
    bench::PrintTable(title + ", beside bare MSXML loading \"providers.xml\"",
                      bench::Compare({"bare MSXML load and controls selection (baseline)",
                                      [&] { BareMsxmlLoad(file); }},
                                     cases, 1, Rounds));
    bench::BareClient bare(server.Url());
    bench::PrintTable(
        title + ", beside one bare WinHTTP POST",
        bench::Compare({"bare WinHTTP POST, kept alive (baseline)", [&] { bare.Post(lastIds); }},
                       {warmEnable}, 1, Rounds));
    const double before = HeapInUseMB();
    {
        Client loaded(server);
        loaded.Enable(false);
        std::printf("heap held by a client with %d providers loaded: %.1f MB\n", count,
                    HeapInUseMB() - before);
    }
    std::printf("peak working set of the process so far: %.1f MB\n\n", PeakWorkingSetMB());
}

void Run() {
    for (int count : {1000, 5000})
        Measure(count, false);
    Measure(10000, true);
}

} // namespace

int main() {
    return bench::RunInApartment(Run);
}
