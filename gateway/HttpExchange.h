#pragma once
// One POST over the platform's WinHTTP, bounded as a whole by one time-out.

#include "common/Owners.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

struct HttpHeader {
    std::wstring name;
    std::wstring value;
};

struct HttpOutcome {
    // TooLarge: the answer announced or brought more than the session takes.
    enum class State { Complete, Failed, TimedOut, TooLarge };
    State state = State::Failed;
    // The answer's bytes as they came, when complete.
    std::string body;
    // The platform's message, when failed.
    std::wstring error;
};

// Where the exchanges of one URL go: through a named proxy, or direct.
struct HttpProxy {
    bool named = false;
    std::wstring proxy;
    std::wstring bypass;
};

struct ProxyLookup;

// The most an answer may bring: far above the largest catalogue a gateway sends
// (10,000 providers take about 7.6 MB), and far below what a 32-bit host can hold
// twice, as the bytes and then the parsed document.
constexpr size_t MaxAnswerBytes = 64 * 1024 * 1024;

// Posts over the platform's WinHTTP, one request object per exchange, all of them
// in one session while the URL stays: Windows keeps a session's connections (and
// their TLS sessions) for its next requests and closes them with it, so a session
// per exchange would pay a new connection and handshake every time.
//
// The proxy is found once for a URL, as the platform's own XML request object
// finds it once: detecting it costs more than the exchange itself. It is looked
// for in the background, since auto-detection or a configuration script can take
// longer than the cash desk may wait; the exchanges wait for it within their own
// time-outs.
class HttpSession {
public:
    explicit HttpSession(size_t maxAnswerBytes = MaxAnswerBytes);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // Posts exactly `body` with exactly `headers`, in their order, and reads the
    // whole answer. Finding the proxy, connecting, sending and receiving together
    // end once `timeoutMs` has passed: a server that accepts and never answers
    // cannot hold the cash desk longer. An answer larger than the session takes
    // is left unread from the point it shows itself so.
    HttpOutcome Post(const std::wstring& url, const std::vector<HttpHeader>& headers,
                     std::string_view body, DWORD timeoutMs);

private:
    // The session and connection of `url`, made at its first exchange; false
    // with the platform's error when the URL is not one.
    bool Open(const std::wstring& url);

    size_t maxAnswerBytes_;
    std::wstring url_;
    std::wstring path_;
    DWORD requestFlags_ = 0;
    // Shared with the lookup still running when this session goes.
    std::shared_ptr<ProxyLookup> lookup_;
    unique_hinternet session_;
    unique_hinternet connection_;
};

} // namespace svcgate
