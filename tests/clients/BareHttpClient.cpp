#include "clients/BareHttpClient.h"

#include "common/Exception.h"

#include <iterator>

namespace svcgate::test {

namespace {

std::wstring QueryContentType(HINTERNET request) {
    wchar_t text[256] = {};
    DWORD size = sizeof text;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, text,
                        &size, WINHTTP_NO_HEADER_INDEX);
    return text;
}

bool ReadAnswer(HINTERNET request, HttpAnswer& answer) {
    DWORD size = sizeof answer.status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &answer.status, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return false;
    answer.contentType = QueryContentType(request);
    for (;;) {
        char buffer[4096];
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer, sizeof buffer, &read))
            return false;
        if (read == 0)
            return true;
        answer.body.append(buffer, read);
    }
}

bool SendAndReceive(HINTERNET request, std::string_view body, const std::wstring& headers) {
    const DWORD length = static_cast<DWORD>(body.size());
    return (headers.empty() ||
            WinHttpAddRequestHeaders(request, headers.c_str(), static_cast<DWORD>(-1),
                                     WINHTTP_ADDREQ_FLAG_ADD)) &&
           WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              const_cast<char*>(body.data()), length, length, 0) &&
           WinHttpReceiveResponse(request, nullptr);
}

// Wine's receive time-out bounds each read of the body but not the wait for the
// answer's head, which has an option of its own.
bool LimitReceiving(HINTERNET request, DWORD timeoutMs) {
    return timeoutMs == 0 ||
           (WinHttpSetTimeouts(request, 0, 30000, 30000, static_cast<int>(timeoutMs)) &&
            WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeoutMs,
                             sizeof timeoutMs));
}

} // namespace

BareHttpClient::BareHttpClient(const std::wstring& url)
    : session_(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0)) {
    wchar_t host[256] = {}, path[1024] = {};
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
    CheckWin32(WinHttpCrackUrl(url.c_str(), 0, 0, &parts));
    path_ = path;
    flags_ = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    connection_.reset(WinHttpConnect(session_.get(), host, parts.nPort, 0));
}

HttpAnswer BareHttpClient::Post(std::string_view body, const std::wstring& headers,
                                DWORD receiveTimeoutMs) {
    const unique_hinternet request(WinHttpOpenRequest(connection_.get(), L"POST", path_.c_str(),
                                                      nullptr, WINHTTP_NO_REFERER,
                                                      WINHTTP_DEFAULT_ACCEPT_TYPES, flags_));
    HttpAnswer answer;
    if (!request || !LimitReceiving(request.get(), receiveTimeoutMs) ||
        !SendAndReceive(request.get(), body, headers) || !ReadAnswer(request.get(), answer))
        answer.error = GetLastError();
    return answer;
}

} // namespace svcgate::test
