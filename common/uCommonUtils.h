#pragma once
// Stateless helpers the gateway client, the catalogue and the debug log share:
// the machine-wide data folder, Base64 and MD5 for the request envelope, money
// and date texts, and reading and writing XML through location paths.

#include "common/CacheFiles.h"
#include "common/Variants.h"
#include "common/Xml.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

// What the debug log and the request dumps show in place of a password or its
// digest: the data folder is readable by every user of the machine.
constexpr const wchar_t* MaskedSecret = L"***";

// The path with a "\\" at its end; an empty path gives "\\" alone.
std::wstring IncludeTrailingPathDelimiter(std::wstring path);
bool DirectoryExists(const std::wstring& path);

// A shell special folder with a trailing delimiter, created when missing. Falls
// back to the current user's application data folder when the shell refuses `csidl`.
std::wstring GetSpecialFolder(int csidl);
std::wstring GetCommonAppDataFolder();
// The folder all driver instances on the machine share, with a trailing delimiter.
std::wstring GetDataFolder();
// Creates a folder together with any missing parents; true when it made the folder,
// false when the folder was there already.
bool ForceDirectories(const std::wstring& path);
// Adds an inheritable full-access entry for Everyone unless one is there already.
void GrantEveryoneFullAccess(const std::wstring& path);
// A folder that every user of the machine may write: created with any missing
// parents and opened to Everyone when it is missing; an existing folder keeps its
// access list. The path with a trailing delimiter.
std::wstring EnsureSharedFolder(const std::wstring& path);

// Four Base64 characters for one to three bytes, padded with '='.
std::wstring Base64EncodeGroup(std::string_view group);
std::wstring Base64Encode(const std::string& bytes);
// 32 upper-case hexadecimal digits; characters outside ASCII are hashed as '?'.
std::wstring MD5HexUpper(std::wstring_view text);

// Reads either decimal mark; raises an Exception for a text that is not a number.
Currency TextToCurrency(std::wstring_view text, LCID locale = LOCALE_USER_DEFAULT);
// The same for a text that may be no amount at all: none then.
std::optional<Currency> TryTextToCurrency(std::wstring_view text,
                                          LCID locale = LOCALE_USER_DEFAULT);
// The shortest text of the amount with a decimal point, as the gateway writes it.
std::wstring CurrencyToText(Currency value, LCID locale = LOCALE_USER_DEFAULT);
// "dd.mm.yyyy" of an automation date.
std::wstring DateToText(double oleDate);

XmlNode AppendElement(XmlDocument& doc, const XmlNode& parent, std::wstring_view name);
// Replaces an attribute of the same name; a new one follows the existing ones.
void SetNodeAttribute(XmlDocument& doc, const XmlNode& node, std::wstring_view name,
                      std::wstring_view value);
// Attributes are set, and serialised, in the order of `names`.
XmlNode AppendElementWithAttributes(XmlDocument& doc, const XmlNode& parent, std::wstring_view name,
                                    const std::vector<std::wstring>& values,
                                    const std::vector<std::wstring>& names);
// Appends under the first match of `path`; an empty node when nothing matches.
XmlNode AppendElementAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                        const std::vector<std::wstring>& values,
                        const std::vector<std::wstring>& names);
// Sets the attribute on the first match of `path`; nothing happens without a match.
void SetAttributeAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                    std::wstring_view value);
// The attribute of the first match of `path` (the document element for an empty
// path), or the node's text for an empty attribute name; `defaultValue` when
// anything is missing or fails.
std::wstring ReadXmlValue(const XmlDocument& doc, std::wstring_view path,
                          std::wstring_view attributeName, std::wstring_view defaultValue);
std::wstring ReadNodeAttribute(const XmlNode& node, std::wstring_view name,
                               std::wstring_view defaultValue);
// Replaces the file whole, in one step: other drivers may be reading it. A
// reader holding it is waited for at most `waitMs`.
void SaveXmlToDataFolder(const XmlDocument& doc, std::wstring_view fileName,
                         DWORD waitMs = ReplaceWaitMs);

// Lets the edit (or the edit part of a combo box) take digits only.
void SetEditNumbersOnly(HWND control);

// The local clock's time of day as a fraction of a day (0.5 is noon).
double TimeOfDayNow();

} // namespace svcgate
