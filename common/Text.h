#pragma once
// Conversions between the text forms the system meets: UTF-16 inside, the ANSI
// code page in files, UTF-8 in C++ exception texts.

#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

std::string WideToUtf8(std::wstring_view text);
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);
std::wstring Utf8ToWide(std::string_view text);

// Without the blanks and control characters at either end.
std::wstring_view Trim(std::wstring_view text);

// Compares without regard to the case of the Latin letters A-Z only, as host
// method names and setting identifiers are compared.
bool SameText(std::wstring_view a, std::wstring_view b);

// What the ANSI code page can hold of a text: other characters become "?".
std::wstring AnsiOnly(std::wstring_view text);

// Lines "name=value", kept as the platform's string list keeps them: names
// compare as SameText does. The value of `name`; empty when no line has it.
std::wstring NameValue(const std::vector<std::wstring>& lines, std::wstring_view name);
// Replaces the line of `name` in its place, or adds one at the end; an empty
// value removes the line.
void SetNameValue(std::vector<std::wstring>& lines, const std::wstring& name,
                  const std::wstring& value);

// printf-style formatting into a wide text.
std::wstring FormatText(const wchar_t* format, ...);

// Replaces every occurrence of `from` in `text` by `to`.
std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to);

// The lines of a text ended by LF or CRLF; a last line may be unended, as
// MSXML under Wine leaves it.
std::vector<std::wstring> SplitLines(std::wstring_view text);

} // namespace svcgate
