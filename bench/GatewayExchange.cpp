// One gateway exchange through the client, beside a bare WinHTTP POST of the
// same bytes to the same test server: under Wine a loopback exchange carries
// tens of milliseconds of the platform's own stall, so only the ratio speaks.

#include "support/Timing.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "gateway-server/GatewayServer.h"
#include "gateway/uDevice.h"

using namespace svcgate;

namespace {

constexpr long ExchangesPerRound = 50;
constexpr int Rounds = 9;

class Client : public TDevice {
public:
    using TDevice::ExecuteRequest;
};

// The least the platform does for one exchange: a session, a connection, a
// request with the client's headers and body, and the whole answer read.
void RawPost(unsigned short port, const tools::ReceivedRequest& sent) {
    unique_hinternet session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                         WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    unique_hinternet connection(WinHttpConnect(session.get(), L"127.0.0.1", port, 0));
    unique_hinternet request(WinHttpOpenRequest(connection.get(), L"POST", L"/xmlgate/xml.jsp",
                                                nullptr, WINHTTP_NO_REFERER,
                                                WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    for (const auto& [name, value] : sent.headers)
        if (name == "Accept-encoding" || name == "User-Agent") {
            const std::wstring line(name.begin(), name.end());
            const std::wstring text = line + L": " + std::wstring(value.begin(), value.end());
            WinHttpAddRequestHeaders(request.get(), text.c_str(), DWORD(text.size()),
                                     WINHTTP_ADDREQ_FLAG_ADD);
        }
    bench::Expect(WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                             const_cast<char*>(sent.body.data()), DWORD(sent.body.size()),
                             DWORD(sent.body.size()), 0) &&
              WinHttpReceiveResponse(request.get(), nullptr),
          L"raw POST");
    char buffer[4096];
    DWORD read = 0;
    while (WinHttpReadData(request.get(), buffer, sizeof(buffer), &read) && read > 0) {
    }
}

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
    const std::vector<bench::Figure> figures = bench::Compare(
        {"raw WinHTTP POST of the same bytes (baseline)", [&] { RawPost(server.Port(), sent); }},
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
