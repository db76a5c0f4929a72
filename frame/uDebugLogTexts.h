#pragma once
// What the debug log writes besides the values: the line layout, the markers of
// a host call and of an error, the text forms of empty values, and the header
// a device writes when logging starts. Tests and readers of the log match them.

namespace svcgate::DebugLogTexts {

// "<time> Inst.: <instance>\t<name>: \t<text>"
constexpr const wchar_t* InstanceMarker = L" Inst.: ";
constexpr const wchar_t* NameSeparator = L"\t";
constexpr const wchar_t* TextSeparator = L": \t";
// "Debug_<yyyy.mm.dd>.log" in the log's folder.
constexpr const wchar_t* FileNameFormat = L"%sDebug_%s.log";

// A host call: its line before and its line after.
constexpr const wchar_t* CallStart = L"> ";
constexpr const wchar_t* CallEnd = L"< ";
constexpr const wchar_t* InData = L"InData: ";
constexpr const wchar_t* Params = L"Params: ";
constexpr const wchar_t* Result = L"Result=";
constexpr const wchar_t* OutDataAfterResult = L"; OutData: ";
constexpr const wchar_t* ParamsAfterResult = L"; Params: ";
// An error of a call; the last one leaving it is "<class>: <message>".
constexpr const wchar_t* Error = L"EXCEPTION";
constexpr const wchar_t* ErrorClassSeparator = L": ";

// Values without a text of their own.
constexpr const wchar_t* EmptyValue = L"EMPTY";
constexpr const wchar_t* NullValue = L"NULL";

// The header of a stretch of the log, each line name-only but for the version,
// the device and the settings between the two rules.
constexpr int HeaderBlankWidth = 40;
constexpr const wchar_t* HeaderBegin = L"============Begin debug log=============";
constexpr const wchar_t* HeaderVersion = L"driver ver.";
constexpr const wchar_t* HeaderDevice = L"device ID";
constexpr const wchar_t* HeaderSettings = L"----------------Settings----------------";
constexpr const wchar_t* HeaderEnd = L"----------------------------------------";

} // namespace svcgate::DebugLogTexts
