// One gateway exchange through the client, beside a bare WinHTTP POST of the
// same bytes to the same test server on one kept-alive connection: only the
// ratio speaks, the loopback's own time being the platform's.

#include "support/Timing.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "gateway-sim/GatewayAnswer.h"
#include "gateway-sim/server/GatewayServer.h"
#include "gateway/uDevice.h"

using namespace svcgate;

namespace {

constexpr long ExchangesPerRound = 50;
constexpr int Rounds = 9;

class Client : public TDevice {
public:
    using TDevice::ExecuteRequest;
};

void Run() {
    tools::GatewayServer server;
    server.SetResponder([](const tools::ReceivedRequest&) {
        return tools::ScriptedAnswer{tools::GatewayAnswer(
            "terminals", "getLastIds", "0", R"(<last-payment id="5" receipt-number="7"/>)")};
    });
    Client client;
    client.SetServer1URL(server.Url());
    client.SetLogin(L"dealer");
    client.SetPassword(L"secret");
    client.SetTerminalID(L"77");
    XmlDocument doc;
    bench::Expect(client.ExecuteRequest(L"terminals", L"getLastIds", doc) == 0, L"getLastIds");
    const tools::ReceivedRequest sent = server.Requests().at(0);
    bench::BareClient bare(server.Url());
    const std::vector<bench::Figure> figures =
        bench::Compare({"bare WinHTTP POST of the same bytes, kept alive (baseline)",
                        [&] { bare.Post(sent.body); }},
                       {{"ExecuteRequest of getLastIds",
                         [&] { client.ExecuteRequest(L"terminals", L"getLastIds", doc); }}},
                       ExchangesPerRound, Rounds);
    bench::PrintTable("Gateway exchanges against the test server, medians of " +
                          std::to_string(Rounds) + " rounds of " +
                          std::to_string(ExchangesPerRound) + " exchanges each",
                      figures);
}

} // namespace

int main() {
    return bench::RunInApartment(Run);
}
