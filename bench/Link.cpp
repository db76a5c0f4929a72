// A distant gateway, as a cash desk reaches it: one sale, a warm "Enable" and
// the first "Enable" of a new client in a new process, over plain HTTP and over
// HTTPS through the link emulator, in round trips (elapsed ÷ the emulated round
// trip), beside bare WinHTTP doing the same exchanges on one kept-alive
// connection in the same run. HTTPS needs the TLS front that scripts/bench.sh
// starts (SVCGATE_TLS_FRONT, forwarding to SVCGATE_TLS_BACKEND).

#include "support/Timing.h"

#include "campaign/Processes.h"
#include "common/Module.h"
#include "common/Text.h"
#include "gateway-sim/GatewaySimulator.h"
#include "gateway/uDevice.h"
#include "link-emulator/LinkEmulator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

using namespace svcgate;

namespace {

constexpr DWORD RoundTripMs = 50;
constexpr int Rounds = 5;

class Client : public TDevice {
public:
    explicit Client(const std::wstring& url) {
        SetServer1URL(url);
        SetLogin(L"dealer");
        SetPassword(L"secret");
        SetTerminalID(L"77");
    }
    std::int32_t Sale() {
        TPaymentStatus status = psError;
        std::int32_t id = 0;
        std::wstring uid;
        const std::int32_t check = AuthorizePayment(1015000, 1000000, L"1001", L"9001234567", {},
                                                    pmCheck, status, id, uid);
        return check ? check
                     : AuthorizePayment(1015000, 1000000, L"1001", L"9001234567", {}, pmOffLine,
                                        status, id, uid);
    }
};

double RoundTrips(const std::function<void()>& call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    call();
    QueryPerformanceCounter(&end);
    return 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) /
           RoundTripMs;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string Hex(const std::string& bytes) {
    std::string text;
    for (const unsigned char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", c);
        text += pair;
    }
    return text;
}

std::string Unhex(const std::string& text) {
    std::string bytes;
    for (size_t k = 0; k + 1 < text.size(); k += 2)
        bytes += static_cast<char>(std::stoi(text.substr(k, 2), nullptr, 16));
    return bytes;
}

// In the child process: what the first "Enable" of a new client costs.
void FirstEnable(const std::wstring& url) {
    Client client(url);
    std::printf("%f\n", RoundTrips([&] { bench::Expect(client.Enable(false) == 0, L"Enable"); }));
}

// In the child process: the platform's proxy lookup as a new client makes it,
// then the same three exchanges bare: the first with its connection, handshake
// and certificate checks, the next two on the kept-alive connection.
void BareFirstEnable(const std::wstring& url, const std::vector<std::string>& bodies) {
    const double lookup = RoundTrips([&] {
        WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
        WinHttpGetIEProxyConfigForCurrentUser(&user);
        const unique_hglobal script(user.lpszAutoConfigUrl), proxy(user.lpszProxy),
            bypass(user.lpszProxyBypass);
        const unique_hinternet session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                                   WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                                   0));
        WINHTTP_AUTOPROXY_OPTIONS options{};
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        WINHTTP_PROXY_INFO found{};
        if (user.fAutoDetect &&
            WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &found)) {
            const unique_hglobal foundProxy(found.lpszProxy), foundBypass(found.lpszProxyBypass);
        }
    });
    bench::BareClient bare(url);
    const double first = RoundTrips([&] { bare.Post(bodies.at(0)); });
    const double next = RoundTrips([&] {
        for (size_t k = 1; k < bodies.size(); ++k)
            bare.Post(bodies[k]);
    });
    std::printf("%f %f %f\n", lookup, first, next);
}

std::vector<double> ChildFigures(const std::wstring& arguments) {
    campaign::ChildProcess child(L"\"" + ThisModulePath() + L"\" " + arguments);
    std::string line;
    std::vector<double> figures;
    while (child.ReadLine(line))
        for (size_t at = 0; at < line.size();) {
            size_t used = 0;
            figures.push_back(std::stod(line.substr(at), &used));
            at += used;
            while (at < line.size() && line[at] == ' ')
                ++at;
        }
    bench::Expect(child.Wait() == 0 && !figures.empty(), L"the child's figures");
    return figures;
}

struct Link {
    const char* name;
    std::wstring url;
    const tools::LinkEmulator* emulator;
    // The same way without the delay: what a first "Enable" costs on this machine alone.
    std::wstring localUrl;
};

// Medians by figure name, in round trips.
using Figures = std::map<std::string, double>;

Figures Measure(const Link& link, const tools::GatewayServer& server) {
    Client client(link.url);
    bench::Expect(client.Enable(true) == 0, L"the refresh");
    bench::BareClient bare(link.url);
    std::map<std::string, std::vector<double>> samples;
    std::vector<std::string> enableBodies;
    const int connectionsBefore = link.emulator->Connections();
    for (int round = 0; round < Rounds; ++round) {
        samples["sale"].push_back(
            RoundTrips([&] { bench::Expect(client.Sale() == 0, L"a sale"); }));
        const auto requests = server.Requests();
        const std::string check = requests[requests.size() - 2].body,
                          registration = requests.back().body;
        samples["sale, bare"].push_back(RoundTrips([&] {
            bare.Post(check);
            bare.Post(registration);
        }));
        samples["warm Enable"].push_back(
            RoundTrips([&] { bench::Expect(client.Enable(false) == 0, L"Enable"); }));
        const auto after = server.Requests();
        enableBodies.assign(
            {after[after.size() - 3].body, after[after.size() - 2].body, after.back().body});
        samples["warm Enable, bare"].push_back(RoundTrips([&] {
            for (const std::string& body : enableBodies)
                bare.Post(body);
        }));
    }
    // The client's and the bare exchanges of all rounds; Wine pools connections
    // per process, so the two may share one.
    Figures figures{
        {"connections opened in the rounds", link.emulator->Connections() - connectionsBefore}};
    std::wstring bodies;
    for (const std::string& body : enableBodies)
        bodies += L" " + Utf8ToWide(Hex(body));
    for (int round = 0; round < Rounds; ++round) {
        samples["first Enable"].push_back(ChildFigures(L"--first-enable " + link.url).at(0));
        samples["first Enable, its local work (no delay)"].push_back(
            ChildFigures(L"--first-enable " + link.localUrl).at(0));
        const std::vector<double> bareFigures =
            ChildFigures(L"--bare-first-enable " + link.url + bodies);
        samples["first Enable, bare: proxy lookup"].push_back(bareFigures.at(0));
        samples["first Enable, bare: first exchange"].push_back(bareFigures.at(1));
        samples["first Enable, bare: next two"].push_back(bareFigures.at(2));
    }
    for (const auto& [name, values] : samples)
        figures[name] = Median(values);
    return figures;
}

void Run() {
    tools::GatewaySimulator simulator({});
    const char* backend = std::getenv("SVCGATE_TLS_BACKEND");
    const char* front = std::getenv("SVCGATE_TLS_FRONT");
    tools::GatewayServer server(backend ? static_cast<unsigned short>(std::atoi(backend)) : 0);
    server.SetResponder(
        [&](const tools::ReceivedRequest& request) { return simulator.Answer(request).answer; });
    const auto url = [](const wchar_t* scheme, const tools::LinkEmulator& emulator) {
        return scheme + std::to_wstring(emulator.Port()) + L"/xmlgate/xml.jsp";
    };
    const tools::LinkEmulator plain(server.Port(), RoundTripMs), plainLocal(server.Port(), 0);
    std::vector<Link> links{{"plain HTTP", url(L"http://127.0.0.1:", plain), &plain,
                             url(L"http://127.0.0.1:", plainLocal)}};
    std::unique_ptr<tools::LinkEmulator> secure, secureLocal;
    if (front) {
        const auto frontPort = static_cast<unsigned short>(std::atoi(front));
        secure = std::make_unique<tools::LinkEmulator>(frontPort, RoundTripMs);
        secureLocal = std::make_unique<tools::LinkEmulator>(frontPort, 0);
        links.push_back({"HTTPS", url(L"https://localhost:", *secure), secure.get(),
                         url(L"https://localhost:", *secureLocal)});
    }
    std::printf("Round trips over a link of %lu ms, medians of %d rounds\n\n", RoundTripMs, Rounds);
    for (const Link& link : links) {
        std::printf("%s\n", link.name);
        for (const auto& [name, value] : Measure(link, server))
            std::printf("  %-40s %8.2f\n", name.c_str(), value);
    }
    if (!front)
        std::printf("HTTPS: not run (no TLS front; scripts/bench.sh starts one)\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 2 && arguments[0] == "--first-enable")
        return bench::RunInApartment([&] { FirstEnable(Utf8ToWide(arguments[1])); });
    if (arguments.size() > 2 && arguments[0] == "--bare-first-enable") {
        std::vector<std::string> bodies;
        for (size_t k = 2; k < arguments.size(); ++k)
            bodies.push_back(Unhex(arguments[k]));
        return bench::RunInApartment([&] { BareFirstEnable(Utf8ToWide(arguments[1]), bodies); });
    }
    return bench::RunInApartment(Run);
}
