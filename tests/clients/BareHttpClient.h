#pragma once
// The least the platform does for a gateway exchange: a WinHTTP client of one
// URL that keeps one session and connection for every POST, as a gateway client
// keeps its own, sends the headers given and nothing else of its own, and reads
// the whole answer.

#include "common/Owners.h"

#include <string>
#include <string_view>

namespace svcgate::test {

// What the client saw of one exchange.
struct HttpAnswer {
    // The error of the first call that failed, or 0.
    DWORD error = 0;
    DWORD status = 0;
    std::wstring contentType;
    std::string body;
};

class BareHttpClient {
public:
    // Raises an Exception for a URL WinHTTP cannot read.
    explicit BareHttpClient(const std::wstring& url);
    // `headers` have CR LF between them. A receive time-out of 0 keeps the
    // platform's, which sets no limit to the wait for the answer's head.
    HttpAnswer Post(std::string_view body, const std::wstring& headers = {},
                    DWORD receiveTimeoutMs = 0);

private:
    unique_hinternet session_;
    unique_hinternet connection_;
    std::wstring path_;
    DWORD flags_ = 0;
};

} // namespace svcgate::test
