#include "common/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <vector>

namespace svcgate {

namespace {

std::string WideToCodePage(UINT codePage, std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}

std::wstring CodePageToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), length);
    return result;
}

wchar_t LatinLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c;
}

} // namespace

std::string WideToUtf8(std::wstring_view text) {
    return WideToCodePage(CP_UTF8, text);
}

std::string WideToAnsi(std::wstring_view text) {
    return WideToCodePage(CP_ACP, text);
}

std::wstring AnsiToWide(std::string_view text) {
    return CodePageToWide(CP_ACP, text);
}

std::wstring Utf8ToWide(std::string_view text) {
    return CodePageToWide(CP_UTF8, text);
}

std::wstring_view Trim(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c <= L' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return LatinLower(x) == LatinLower(y); });
}

std::wstring AnsiOnly(std::wstring_view text) {
    return AnsiToWide(WideToAnsi(text));
}

namespace {

template <class Lines> auto LineOf(Lines& lines, std::wstring_view name) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::wstring& line) {
        return SameText(std::wstring_view(line).substr(0, line.find(L'=')), name);
    });
}

} // namespace

std::wstring NameValue(const std::vector<std::wstring>& lines, std::wstring_view name) {
    const auto line = LineOf(lines, name);
    if (line == lines.end())
        return L"";
    const size_t equals = line->find(L'=');
    return equals == std::wstring::npos ? L"" : line->substr(equals + 1);
}

void SetNameValue(std::vector<std::wstring>& lines, const std::wstring& name,
                  const std::wstring& value) {
    const auto line = LineOf(lines, name);
    if (value.empty()) {
        if (line != lines.end())
            lines.erase(line);
    } else if (line != lines.end()) {
        *line = name + L"=" + value;
    } else {
        lines.push_back(name + L"=" + value);
    }
}

std::wstring FormatText(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int length = _vsnwprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (length >= 0 && static_cast<size_t>(length) < buffer.size())
            return std::wstring(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    for (size_t at = text.find(from); at != std::wstring::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::wstring> SplitLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        std::wstring line(text.substr(start, end - start));
        if (line.ends_with(L'\r'))
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

} // namespace svcgate
