#include "gateway/HttpExchange.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Owners.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace svcgate {

// The proxy of one URL, looked for on a thread of the platform's pool, which
// keeps this module loaded while it runs.
struct ProxyLookup {
    explicit ProxyLookup(std::wstring url) : url(std::move(url)) {}
    void Run();
    // Runs the lookup in the background, or here when the pool cannot take it.
    static std::shared_ptr<ProxyLookup> Start(const std::wstring& url);

    const std::wstring url;
    unique_handle found{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Written before `found` is set; read only after.
    HttpProxy proxy;
};

namespace {

class Deadline {
public:
    explicit Deadline(DWORD timeoutMs) : end_(GetTickCount() + timeoutMs) {}
    // Milliseconds left, 0 once the deadline has passed; the tick count may wrap.
    DWORD Remaining() const {
        const auto left = static_cast<LONG>(end_ - GetTickCount());
        return left > 0 ? static_cast<DWORD>(left) : 0;
    }

private:
    DWORD end_;
};

// The wait for the answer's head has an option of its own, which the receive
// time-out leaves unbounded (under Wine, for ever).
bool SetTimeouts(HINTERNET handle, DWORD ms) {
    DWORD bound = std::max<DWORD>(ms, 1);
    return WinHttpSetTimeouts(handle, int(bound), int(bound), int(bound), int(bound)) &&
           WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &bound, sizeof bound);
}

// A proxy that cannot be set leaves the exchange to go direct, as the platform would.
void UseProxy(HINTERNET request, const HttpProxy& proxy) {
    if (!proxy.named)
        return;
    WINHTTP_PROXY_INFO info{WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                            const_cast<wchar_t*>(proxy.proxy.c_str()),
                            const_cast<wchar_t*>(proxy.bypass.c_str())};
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof(info));
}

HttpProxy NamedProxy(const wchar_t* proxy, const wchar_t* bypass) {
    return {proxy != nullptr, proxy ? proxy : L"", bypass ? bypass : L""};
}

// The proxy as the platform's own XML request object finds it: the user's
// settings, with auto-detection and a configuration script first when they are on.
HttpProxy FindUserProxy(const std::wstring& url) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&user))
        return NamedProxy(nullptr, nullptr);
    unique_hglobal script(user.lpszAutoConfigUrl), proxy(user.lpszProxy),
        bypass(user.lpszProxyBypass);
    const unique_hinternet session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session && (user.fAutoDetect || user.lpszAutoConfigUrl)) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        options.dwFlags = (user.fAutoDetect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0) |
                          (user.lpszAutoConfigUrl ? WINHTTP_AUTOPROXY_CONFIG_URL : 0);
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        options.lpszAutoConfigUrl = user.lpszAutoConfigUrl;
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO found{};
        if (WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &found)) {
            unique_hglobal foundProxy(found.lpszProxy), foundBypass(found.lpszProxyBypass);
            const bool named = found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY;
            return NamedProxy(named ? found.lpszProxy : nullptr, found.lpszProxyBypass);
        }
    }
    return NamedProxy(user.lpszProxy, user.lpszProxyBypass);
}

void CALLBACK LookUp(PTP_CALLBACK_INSTANCE, void* context) {
    const std::unique_ptr<std::shared_ptr<ProxyLookup>> lookup(
        static_cast<std::shared_ptr<ProxyLookup>*>(context));
    (*lookup)->Run();
}

// One exchange; every step says whether it worked, and the first failure's
// code is kept.
class PostExchange {
public:
    PostExchange(const Deadline& deadline, size_t maxAnswerBytes)
        : deadline_(deadline), maxAnswerBytes_(maxAnswerBytes) {}

    bool Run(HINTERNET connection, const std::wstring& path, DWORD flags, const HttpProxy& proxy,
             const std::vector<HttpHeader>& headers, std::string_view body) {
        request_.reset(WinHttpOpenRequest(connection, L"POST", path.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        if (!Step(request_.get() != nullptr) ||
            !Step(SetTimeouts(request_.get(), deadline_.Remaining())))
            return false;
        UseProxy(request_.get(), proxy);
        return AddHeaders(headers) && Step(SetTimeouts(request_.get(), deadline_.Remaining())) &&
               Step(WinHttpSendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                       const_cast<char*>(body.data()), DWORD(body.size()),
                                       DWORD(body.size()), 0)) &&
               Step(SetTimeouts(request_.get(), deadline_.Remaining())) &&
               Step(WinHttpReceiveResponse(request_.get(), nullptr)) && AnnouncedLengthFits() &&
               ReadAnswer();
    }
    std::string& Answer() { return answer_; }
    DWORD Failure() const { return failure_; }
    bool TooLarge() const { return tooLarge_; }
    // Wine reports a time-out as the socket's, WSAETIMEDOUT, not as WinHTTP's own.
    bool Late() const {
        return failure_ == ERROR_WINHTTP_TIMEOUT || failure_ == WSAETIMEDOUT ||
               deadline_.Remaining() == 0;
    }

    bool Step(BOOL succeeded) {
        if (!succeeded)
            failure_ = GetLastError();
        return succeeded;
    }

private:
    bool AddHeaders(const std::vector<HttpHeader>& headers) {
        for (const HttpHeader& header : headers) {
            const std::wstring line = header.name + L": " + header.value;
            if (!Step(WinHttpAddRequestHeaders(request_.get(), line.c_str(), DWORD(line.size()),
                                               WINHTTP_ADDREQ_FLAG_ADD |
                                                   WINHTTP_ADDREQ_FLAG_REPLACE)))
                return false;
        }
        return true;
    }

    bool Fits(std::uint64_t size) {
        tooLarge_ = size > maxAnswerBytes_;
        return !tooLarge_;
    }

    // A length beyond what the platform's number holds is caught by the reading.
    bool AnnouncedLengthFits() {
        DWORD length = 0;
        DWORD size = sizeof length;
        return !WinHttpQueryHeaders(
                   request_.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                   WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX) ||
               Fits(length);
    }

    // Each wait is bounded by what is left of the whole, so a server that
    // trickles its answer cannot stretch the exchange either. Only what has
    // arrived is read: a read of a whole chunk would wait for the chunk to fill,
    // and every byte that trickles in restarts the receive time-out (seen under
    // Wine: an answer of 200 bytes sent a byte a second held the call 200 s).
    bool ReadAnswer() {
        for (;;) {
            const DWORD left = deadline_.Remaining();
            if (left == 0) {
                failure_ = ERROR_WINHTTP_TIMEOUT;
                return false;
            }
            DWORD available = 0;
            if (!Step(SetTimeouts(request_.get(), left)) ||
                !Step(WinHttpQueryDataAvailable(request_.get(), &available)))
                return false;
            if (available == 0)
                return true;
            if (!Fits(std::uint64_t(answer_.size()) + available))
                return false;
            const size_t start = answer_.size();
            answer_.resize(start + available);
            DWORD read = 0;
            if (!Step(WinHttpReadData(request_.get(), answer_.data() + start, available, &read)))
                return false;
            answer_.resize(start + read);
        }
    }

    Deadline deadline_;
    const size_t maxAnswerBytes_;
    unique_hinternet request_;
    std::string answer_;
    DWORD failure_ = ERROR_SUCCESS;
    bool tooLarge_ = false;
};

} // namespace

void ProxyLookup::Run() {
    proxy = FindUserProxy(url);
    SetEvent(found.get());
}

std::shared_ptr<ProxyLookup> ProxyLookup::Start(const std::wstring& url) {
    auto lookup = std::make_shared<ProxyLookup>(url);
    CheckWin32(static_cast<bool>(lookup->found));
    TP_CALLBACK_ENVIRON environment;
    InitializeThreadpoolEnvironment(&environment);
    SetThreadpoolCallbackLibrary(&environment, ThisModule());
    auto context = std::make_unique<std::shared_ptr<ProxyLookup>>(lookup);
    if (TrySubmitThreadpoolCallback(LookUp, context.get(), &environment))
        context.release();
    else
        lookup->Run();
    DestroyThreadpoolEnvironment(&environment);
    return lookup;
}

HttpSession::HttpSession(size_t maxAnswerBytes) : maxAnswerBytes_(maxAnswerBytes) {}
HttpSession::~HttpSession() = default;

bool HttpSession::Open(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts))
        return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    path_ = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
            std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    requestFlags_ = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    session_.reset(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_)
        RaiseLastOSError();
    connection_.reset(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    return static_cast<bool>(connection_);
}

HttpOutcome HttpSession::Post(const std::wstring& url, const std::vector<HttpHeader>& headers,
                              std::string_view body, DWORD timeoutMs) {
    const Deadline deadline(timeoutMs);
    if (url != url_) {
        connection_.reset();
        session_.reset();
        url_ = url;
        lookup_ = ProxyLookup::Start(url);
    }
    HttpOutcome outcome;
    if (WaitForSingleObject(lookup_->found.get(), deadline.Remaining()) != WAIT_OBJECT_0) {
        outcome.state = HttpOutcome::State::TimedOut;
        return outcome;
    }
    PostExchange exchange(deadline, maxAnswerBytes_);
    if ((connection_ || exchange.Step(Open(url))) &&
        exchange.Run(connection_.get(), path_, requestFlags_, lookup_->proxy, headers, body)) {
        outcome.state = HttpOutcome::State::Complete;
        outcome.body = std::move(exchange.Answer());
    } else if (exchange.TooLarge()) {
        outcome.state = HttpOutcome::State::TooLarge;
    } else {
        outcome.state = exchange.Late() ? HttpOutcome::State::TimedOut : HttpOutcome::State::Failed;
        outcome.error = SystemErrorMessage(exchange.Failure(), GetModuleHandleW(L"winhttp.dll"));
    }
    return outcome;
}

} // namespace svcgate
