#pragma once
// One POST over the platform's WinHTTP, bounded as a whole by one time-out.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

struct HttpHeader {
    std::wstring name;
    std::wstring value;
};

struct HttpOutcome {
    enum class State { Complete, Failed, TimedOut };
    State state = State::Failed;
    // The answer's bytes as they came, when complete.
    std::string body;
    // The platform's message, when failed.
    std::wstring error;
};

// Where the exchanges of one URL go: through a named proxy, or direct.
struct HttpProxy {
    std::wstring url;
    bool named = false;
    std::wstring proxy;
    std::wstring bypass;
};

// Posts over the platform's WinHTTP, one request object per exchange. The proxy
// is found once for a URL, as the platform's own XML request object finds it
// once: detecting it costs more than the exchange itself.
class HttpSession {
public:
    // Posts exactly `body` with exactly `headers`, in their order, and reads the
    // whole answer. Connecting, sending and receiving together end once
    // `timeoutMs` has passed: a server that accepts and never answers cannot
    // hold the cash desk longer.
    HttpOutcome Post(const std::wstring& url, const std::vector<HttpHeader>& headers,
                     std::string_view body, DWORD timeoutMs);

private:
    HttpProxy proxy_;
};

} // namespace svcgate
