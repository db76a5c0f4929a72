#include "gateway-sim/server/GatewayServer.h"

#include "clients/BareHttpClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

using namespace svcgate;
using test::BareHttpClient;
using test::HttpAnswer;
using tools::GatewayServer;
using tools::ScriptedAnswer;
using Fault = ScriptedAnswer::Fault;
using Clock = std::chrono::steady_clock;

namespace {

// Posts as the gateway client does: synchronously, with the headers in the order
// given (CR LF between them) and nothing else of its own, on a connection of its own.
HttpAnswer Post(const std::wstring& url, std::string_view body, const std::wstring& headers = {},
                DWORD receiveTimeoutMs = 30000) {
    return BareHttpClient(url).Post(body, headers, receiveTimeoutMs);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

unique_winsock StartWinsock() {
    WSADATA data{};
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    return unique_winsock(true);
}

// A client of raw bytes, for what WinHTTP would never send or never hold open.
unique_socket ConnectTo(const GatewayServer& server, std::string_view bytes) {
    unique_socket client(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.Port());
    EXPECT_EQ(connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(send(client.get(), bytes.data(), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
    return client;
}

// What arrives until the server closes; a time-out ends the wait as a failure.
std::string ReceiveUntilClosed(SOCKET client) {
    const DWORD timeoutMs = 5000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    std::string received;
    char buffer[4096];
    int count;
    while ((count = recv(client, buffer, sizeof buffer, 0)) > 0)
        received.append(buffer, count);
    EXPECT_EQ(count, 0) << "the server did not close the connection";
    return received;
}

} // namespace

TEST(GatewayServerTest, KeepsThePostAsItArrived) {
    GatewayServer server;
    server.Queue({.body = "<response result=\"0\"/>"});
    const std::string body = "<?xml version=\"1.0\"?>\r\n<request>\xD0\x90</request>";
    const HttpAnswer exchange = Post(
        server.Url(), body,
        L"Accept-encoding: identity\r\nUser-Agent: Dezuri r0\r\nX-Digital-Sign-Alg: MD5withRSA");
    EXPECT_EQ(exchange.body, "<response result=\"0\"/>");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const tools::ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/xmlgate/xml.jsp");
    ASSERT_GE(request.headers.size(), 3u);
    EXPECT_EQ(request.headers[0].first, "Accept-encoding");
    EXPECT_EQ(request.headers[0].second, "identity");
    EXPECT_EQ(request.headers[1].first, "User-Agent");
    EXPECT_EQ(request.headers[2].first, "X-Digital-Sign-Alg");
    EXPECT_EQ(request.Header("content-LENGTH"), std::to_string(body.size()));
    EXPECT_EQ(request.Header("X-Digital-Sign"), std::nullopt);
    EXPECT_EQ(request.body, body);
    EXPECT_EQ(request.raw.substr(0, 34), "POST /xmlgate/xml.jsp HTTP/1.1\r\nAc");
    EXPECT_TRUE(request.raw.ends_with("\r\n\r\n" + body));
}

TEST(GatewayServerTest, AnswersInTheOrderQueuedThenByTheResponder) {
    GatewayServer server;
    server.Queue({.body = "first"});
    server.Queue({.body = "second", .contentType = "text/html", .status = 404});
    server.SetResponder([](const tools::ReceivedRequest& request) {
        return ScriptedAnswer{.body = "echo " + request.body};
    });

    const HttpAnswer first = Post(server.Url(), "1"), second = Post(server.Url(), "2"),
                     third = Post(server.Url(), "3");
    EXPECT_EQ(first.body, "first");
    EXPECT_EQ(first.contentType, L"text/xml");
    EXPECT_EQ(second.status, 404u);
    EXPECT_EQ(second.body, "second");
    EXPECT_EQ(second.contentType, L"text/html");
    EXPECT_EQ(third.status, 200u);
    EXPECT_EQ(third.body, "echo 3");
}

TEST(GatewayServerTest, AnUnscriptedRequestGetsAFailureNotAHang) {
    GatewayServer server;
    const HttpAnswer exchange = Post(server.Url(), "<request/>");
    EXPECT_EQ(exchange.status, 500u);
    EXPECT_EQ(exchange.body, "no answer scripted");
}

TEST(GatewayServerTest, DropBeforeAnswerFailsTheClientsReceive) {
    GatewayServer server;
    server.Queue({.body = "<response/>", .fault = Fault::DropBeforeAnswer});
    EXPECT_EQ(Post(server.Url(), "<request/>").error, ERROR_WINHTTP_INVALID_SERVER_RESPONSE);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// WinHTTP under Wine takes a body cut short for a whole one.
TEST(GatewayServerTest, DropMidAnswerSendsHalfTheBody) {
    GatewayServer server;
    server.Queue({.body = "<response/>", .fault = Fault::DropMidAnswer});
    const HttpAnswer exchange = Post(server.Url(), "<request/>");
    EXPECT_EQ(exchange.status, 200u);
    EXPECT_EQ(exchange.body, "<resp");
}

TEST(GatewayServerTest, NeverAnswerTimesTheClientOut) {
    GatewayServer server;
    server.Queue({.fault = Fault::NeverAnswer});
    const auto start = Clock::now();
    EXPECT_EQ(Post(server.Url(), "<request/>", {}, 1000).error, static_cast<DWORD>(WSAETIMEDOUT));
    EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(GatewayServerTest, TrickleSendsTheBodyAByteASecond) {
    GatewayServer server;
    server.Queue({.body = "abc", .fault = Fault::Trickle});
    const auto start = Clock::now();
    const HttpAnswer exchange = Post(server.Url(), "<request/>", {}, 2000);
    const double seconds = SecondsSince(start);
    EXPECT_EQ(exchange.body, "abc");
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 5.0);
}

TEST(GatewayServerTest, AStoppedServerRefusesConnections) {
    std::wstring url;
    {
        GatewayServer server;
        url = server.Url();
    }
    EXPECT_EQ(Post(url, "<request/>").error, ERROR_WINHTTP_CANNOT_CONNECT);
}

struct HeldConnection {
    const char* name;
    ScriptedAnswer answer;
    const char* request;
};

class GatewayServerStop : public testing::TestWithParam<HeldConnection> {};

TEST_P(GatewayServerStop, IsPromptWhileTheClientStillWaits) {
    const unique_winsock winsock = StartWinsock();
    auto server = std::make_unique<GatewayServer>();
    server->Queue(GetParam().answer);
    const unique_socket client = ConnectTo(*server, GetParam().request);
    // Time for the server to take the connection up to where the case holds it.
    Sleep(200);
    const auto start = Clock::now();
    server.reset();
    EXPECT_LT(SecondsSince(start), 1.0);
    ReceiveUntilClosed(client.get());
}

const char* const WholeRequest = "POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\nx";

INSTANTIATE_TEST_SUITE_P(
    Connections, GatewayServerStop,
    testing::Values(
        HeldConnection{"ReadingTheBody", {}, "POST / HTTP/1.1\r\nContent-Length: 9\r\n\r\nx"},
        HeldConnection{"Delaying", {.delayMs = 60000}, WholeRequest},
        HeldConnection{"NeverAnswering", {.fault = Fault::NeverAnswer}, WholeRequest},
        HeldConnection{
            "Trickling", {.body = std::string(60, 'x'), .fault = Fault::Trickle}, WholeRequest}),
    [](const testing::TestParamInfo<HeldConnection>& info) { return info.param.name; });

struct RefusedRequest {
    const char* name;
    const char* bytes;
};

class GatewayServerRefusal : public testing::TestWithParam<RefusedRequest> {};

// The gateway client always announces its body; the server says so by closing.
TEST_P(GatewayServerRefusal, ClosesWithoutAnAnswerOrARecord) {
    const unique_winsock winsock = StartWinsock();
    GatewayServer server;
    server.Queue({.body = "<response/>"});
    const unique_socket client = ConnectTo(server, GetParam().bytes);
    EXPECT_EQ(ReceiveUntilClosed(client.get()), "");
    EXPECT_TRUE(server.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, GatewayServerRefusal,
    testing::Values(
        RefusedRequest{"WithoutContentLength", "POST / HTTP/1.1\r\nHost: a\r\n\r\n"},
        RefusedRequest{"WithAWordForLength", "POST / HTTP/1.1\r\nContent-Length: one\r\n\r\nx"},
        RefusedRequest{"LongerThanAnnounced", "POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\nxy"},
        RefusedRequest{"WithALineWithoutColon",
                       "POST / HTTP/1.1\r\nContent-Length: 1\r\nabc\r\n\r\nx"},
        RefusedRequest{"OfAnotherVersion", "POST / HTTP/1.0\r\nContent-Length: 1\r\n\r\nx"}),
    [](const testing::TestParamInfo<RefusedRequest>& info) { return info.param.name; });
