#include "gateway-sim/server/GatewayServer.h"
#include "gateway/HttpExchange.h"
#include "link-emulator/LinkEmulator.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::tools;

namespace {

// Latency, not a slower line: the set-up takes one round trip, the request and
// its answer one more, and the bytes arrive as they were sent.
TEST(LinkEmulatorTest, DelaysEachSetUpAndChunkAndCountsThem) {
    GatewayServer server;
    server.SetResponder([](const ReceivedRequest& request) {
        return ScriptedAnswer{.body = "echo " + request.body};
    });
    const LinkEmulator link(server.Port(), 200);
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(link.Port()) + L"/";
    HttpSession session;
    const DWORD start = GetTickCount();
    const HttpOutcome first = session.Post(url, {}, "one", 10000);
    const DWORD elapsed = GetTickCount() - start;
    const HttpOutcome second = session.Post(url, {}, "two", 10000);
    EXPECT_EQ(first.body, "echo one");
    EXPECT_EQ(second.body, "echo two");
    EXPECT_GE(elapsed, 380u);
    EXPECT_EQ(link.Connections(), 1);
    EXPECT_EQ(link.Requests(), 2);
}

} // namespace
