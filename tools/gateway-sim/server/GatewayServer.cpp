#include "gateway-sim/server/GatewayServer.h"

#include "gateway-sim/server/RequestReader.h"
#include "gateway-sim/server/StoppableSocket.h"

#include "common/Exception.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <string>

namespace svcgate::tools {

namespace {

constexpr const wchar_t* GatewayPath = L"/xmlgate/xml.jsp";
constexpr const char* Unscripted = "no answer scripted";
constexpr DWORD TrickleIntervalMs = 1000;
constexpr std::uint64_t HugeLength = 1ull << 30;

// A connection stays open unless the answer ends it: a fault, or the client's
// own "Connection: close".
bool KeepsConnection(const ReceivedRequest& request, const ScriptedAnswer& answer) {
    const std::optional<std::string> connection = request.Header("Connection");
    return answer.fault == ScriptedAnswer::Fault::None &&
           !(connection && SameText(*connection, "close"));
}

// Without a length the body ends when the connection does.
std::string LengthLine(const ScriptedAnswer& answer) {
    switch (answer.fault) {
    case ScriptedAnswer::Fault::HugeLength:
        return "Content-Length: " + std::to_string(HugeLength) + "\r\n";
    case ScriptedAnswer::Fault::Endless:
        return "";
    default:
        return "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    }
}

std::string AnswerHead(const ScriptedAnswer& answer, bool keep) {
    // No client reads the reason phrase.
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " OK\r\n";
    if (!answer.contentType.empty())
        head += "Content-Type: " + answer.contentType + "\r\n";
    return head + LengthLine(answer) + (keep ? "\r\n" : "Connection: close\r\n\r\n");
}

void Trickle(StoppableSocket& peer, std::string_view body) {
    for (const char& byte : body)
        if (!peer.Pause(TrickleIntervalMs) || !peer.Send(std::string_view(&byte, 1)))
            return;
}

// Whether the connection stays for another request.
bool Answer(StoppableSocket& peer, const ScriptedAnswer& answer, bool keep) {
    using Fault = ScriptedAnswer::Fault;
    if (!peer.Pause(answer.delayMs))
        return false;
    const std::string head = AnswerHead(answer, keep);
    switch (answer.fault) {
    case Fault::None:
        return peer.Send(head + answer.body) && keep;
    case Fault::DropBeforeAnswer:
        break;
    case Fault::DropMidAnswer:
        peer.Send(head + answer.body.substr(0, answer.body.size() / 2));
        break;
    case Fault::NeverAnswer:
        peer.Pause(INFINITE);
        break;
    case Fault::Trickle:
        if (peer.Send(head))
            Trickle(peer, answer.body);
        break;
    case Fault::HugeLength:
        if (peer.Send(head))
            peer.Pause(INFINITE);
        break;
    case Fault::Endless:
        if (peer.Send(head))
            while (!answer.body.empty() && peer.Send(answer.body))
                ;
        break;
    }
    return false;
}

void JoinFinished(std::vector<std::future<void>>& serving) {
    std::erase_if(serving, [](std::future<void>& connection) {
        if (connection.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return false;
        // A failure of a connection's thread surfaces here, ending the program.
        connection.get();
        return true;
    });
}

} // namespace

GatewayServer::GatewayServer(unsigned short port)
    : winsock_(StartWinsock()), listener_(ListenOnLoopback(port)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), port_(PortOf(listener_.get())) {
    CheckWin32(static_cast<bool>(stop_));
    listening_ = std::thread(&GatewayServer::Listen, this);
}

GatewayServer::~GatewayServer() {
    SetEvent(stop_.get());
    listening_.join();
}

std::wstring GatewayServer::Url() const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + GatewayPath;
}

void GatewayServer::Queue(ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    queued_.push_back(std::move(answer));
}

void GatewayServer::SetResponder(std::function<ScriptedAnswer(const ReceivedRequest&)> responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<ReceivedRequest> GatewayServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void GatewayServer::ForgetRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void GatewayServer::Listen() {
    StoppableSocket listener(std::move(listener_), stop_.get());
    std::vector<std::future<void>> serving;
    while (unique_socket peer = listener.Accept()) {
        JoinFinished(serving);
        serving.push_back(std::async(std::launch::async, &GatewayServer::Serve, this,
                                     std::move(peer), ++connections_));
    }
    for (std::future<void>& connection : serving)
        connection.get();
}

void GatewayServer::Serve(unique_socket peer, int number) {
    StoppableSocket connection(std::move(peer), stop_.get());
    for (;;) {
        std::optional<ReceivedRequest> request = ReadRequest(connection, idleCloseMs_);
        if (!request)
            return;
        request->connection = number;
        const ScriptedAnswer answer = AnswerFor(*request);
        if (!Answer(connection, answer, KeepsConnection(*request, answer)))
            return;
    }
}

ScriptedAnswer GatewayServer::AnswerFor(const ReceivedRequest& request) {
    std::function<ScriptedAnswer(const ReceivedRequest&)> responder;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (!queued_.empty()) {
            ScriptedAnswer answer = std::move(queued_.front());
            queued_.pop_front();
            return answer;
        }
        responder = responder_;
    }
    // Outside the lock: a responder may look at the requests so far.
    if (responder)
        return responder(request);
    return {.body = Unscripted, .contentType = "text/plain", .status = 500};
}

} // namespace svcgate::tools
