#pragma once
// The gateway's HTTP side on the loopback: the simulator answers on it, and a test
// scripts its own answers there and reads every request exactly as it arrived,
// header order included: the platform's HTTP server hands headers sorted by kind
// and no raw bytes, so this one is a plain socket listener that reads the wire itself.

#include "common/Owners.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace svcgate::tools {

// What arrived, exactly as it was on the wire.
struct ReceivedRequest {
    std::string method, target;
    // Names and values in wire order.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Head and body as received.
    std::string raw;
    // Which connection brought it: 1 for the first the server accepted, and so on.
    int connection = 0;
    // The value of the first header with this name, compared without regard to case.
    std::optional<std::string> Header(std::string_view name) const;
};

// How one request is answered. Every member has an initializer, so that a test
// names only what it changes ({.fault = ...}) without a warning.
struct ScriptedAnswer {
    enum class Fault {
        None,
        // Closes the connection without a byte.
        DropBeforeAnswer,
        // Sends the head and half the body, then closes.
        DropMidAnswer,
        // Holds the connection, silent, until the client or the server ends it.
        NeverAnswer,
        // Sends the head, then the body one byte a second.
        Trickle,
        // Announces a body of 1 GiB, then holds the connection without a byte of it.
        HugeLength,
        // Announces no length and sends the body over and over until the client closes.
        Endless
    };
    // Sent as is; an empty content type sends no Content-Type header.
    std::string body = {};
    std::string contentType = "text/xml";
    int status = 200;
    // Waited before the answer or the fault.
    DWORD delayMs = 0;
    Fault fault = Fault::None;
};

// Serves each connection on a thread of its own and keeps it open for the next
// request, as a gateway does (HTTP/1.1 with Content-Length), until the client
// closes it, asks for "Connection: close", an answer's fault ends it, or it has
// been idle for longer than the idle limit. Answers in the order the requests
// complete. A request the gateway client would never send (no Content-Length,
// more bytes than it announces, a malformed head) is refused by closing the
// connection, with a line on the standard error.
class GatewayServer {
public:
    // Listens on 127.0.0.1 at a free port and serves on threads of its own.
    GatewayServer() : GatewayServer(0) {}
    // Port 0 lets the system pick a free one.
    explicit GatewayServer(unsigned short port);
    // Stops promptly whatever a connection is doing, closes every one and joins.
    ~GatewayServer();
    GatewayServer(const GatewayServer&) = delete;
    GatewayServer& operator=(const GatewayServer&) = delete;

    // L"http://127.0.0.1:PORT/xmlgate/xml.jsp"
    std::wstring Url() const;
    unsigned short Port() const { return port_; }
    // Answers in the order queued; with none queued, the responder answers, and
    // without a responder a status 500 with the body "no answer scripted" does.
    void Queue(ScriptedAnswer answer);
    void SetResponder(std::function<ScriptedAnswer(const ReceivedRequest&)> responder);
    // Every request answered or held so far, in order.
    std::vector<ReceivedRequest> Requests() const;
    // A long campaign would otherwise hold every request it made.
    void ForgetRequests();
    // Closes a connection that brings no new request within `ms` of its last
    // answer (or of its opening); INFINITE, the default, keeps it while the
    // client does. Applies to the waits that begin after the call.
    void CloseIdleAfter(DWORD ms) { idleCloseMs_ = ms; }
    // How many connections were accepted so far.
    int Connections() const { return connections_; }

private:
    void Listen();
    void Serve(unique_socket peer, int number);
    // Records the request and takes its answer.
    ScriptedAnswer AnswerFor(const ReceivedRequest& request);

    unique_winsock winsock_;
    // Handed over to the listening thread.
    unique_socket listener_;
    // Set once, when the server stops; every wait of every thread watches it.
    unique_handle stop_;
    unsigned short port_ = 0;
    mutable std::mutex mutex_;
    std::deque<ScriptedAnswer> queued_;
    std::function<ScriptedAnswer(const ReceivedRequest&)> responder_;
    std::vector<ReceivedRequest> requests_;
    std::atomic<DWORD> idleCloseMs_ = INFINITE;
    std::atomic<int> connections_ = 0;
    std::thread listening_;
};

} // namespace svcgate::tools
