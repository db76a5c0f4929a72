#include "gateway-sim/server/RequestReader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace svcgate::tools {

namespace {

constexpr std::string_view LineEnd = "\r\n", HeadEnd = "\r\n\r\n", Version = "HTTP/1.1";

char LowerLatin(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string_view TakeLine(std::string_view& head) {
    const auto end = std::min(head.find(LineEnd), head.size());
    const std::string_view line = head.substr(0, end);
    head.remove_prefix(std::min(end + LineEnd.size(), head.size()));
    return line;
}

bool ParseRequestLine(std::string_view line, ReceivedRequest& request) {
    const auto first = line.find(' '), last = line.rfind(' ');
    if (first == std::string_view::npos || first == last || line.substr(last + 1) != Version)
        return false;
    request.method = line.substr(0, first);
    request.target = line.substr(first + 1, last - first - 1);
    return !request.method.empty() && !request.target.empty() &&
           request.target.find(' ') == std::string::npos;
}

bool ParseHeader(std::string_view line, ReceivedRequest& request) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        line.substr(0, colon).find_first_of(" \t") != std::string_view::npos)
        return false;
    request.headers.emplace_back(line.substr(0, colon), TrimSpaces(line.substr(colon + 1)));
    return true;
}

bool ParseHead(std::string_view head, ReceivedRequest& request) {
    if (!ParseRequestLine(TakeLine(head), request))
        return false;
    while (!head.empty())
        if (!ParseHeader(TakeLine(head), request))
            return false;
    return true;
}

std::optional<std::size_t> ContentLength(const ReceivedRequest& request) {
    const std::optional<std::string> text = request.Header("Content-Length");
    if (!text || text->empty())
        return std::nullopt;
    std::size_t length = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, length);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return length;
}

std::optional<ReceivedRequest> Refuse(const char* reason) {
    std::fprintf(stderr, "gateway server: refused a request with %s\n", reason);
    return std::nullopt;
}

} // namespace

bool SameText(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, {}, LowerLatin, LowerLatin);
}

std::optional<std::string> ReceivedRequest::Header(std::string_view name) const {
    const auto found = std::ranges::find_if(
        headers, [name](const auto& header) { return SameText(header.first, name); });
    if (found == headers.end())
        return std::nullopt;
    return found->second;
}

std::optional<ReceivedRequest> ReadRequest(StoppableSocket& peer, DWORD idleMs) {
    ReceivedRequest request;
    if (!peer.Await(idleMs))
        return std::nullopt;
    std::size_t headSize;
    while ((headSize = request.raw.find(HeadEnd)) == std::string::npos)
        if (!peer.Receive(request.raw))
            return std::nullopt;
    if (!ParseHead(std::string_view(request.raw).substr(0, headSize), request))
        return Refuse("a malformed head");
    const std::optional<std::size_t> length = ContentLength(request);
    if (!length)
        return Refuse("no valid Content-Length");
    const std::size_t bodyStart = headSize + HeadEnd.size(), size = bodyStart + *length;
    while (request.raw.size() < size)
        if (!peer.Receive(request.raw))
            return std::nullopt;
    // The gateway client waits for each answer before its next request.
    if (request.raw.size() > size)
        return Refuse("more bytes than its Content-Length");
    request.body = request.raw.substr(bodyStart);
    return request;
}

} // namespace svcgate::tools
