#include "common/uCommonUtils.h"

#include "common/CacheFiles.h"
#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Md5.h"
#include "common/Text.h"

#include <aclapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace svcgate {

namespace {

constexpr const wchar_t* DataFolderName = L"VelmoraSvcGate";
constexpr const char* Base64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unique_sid EveryoneSid() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    unique_sid sid;
    CheckWin32(
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, sid.put()));
    return sid;
}

// Only allowing entries count: a denying one would not give anybody access.
bool HasFullAccessEntry(ACL* dacl, PSID sid) {
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        CheckWin32(GetAce(dacl, index, reinterpret_cast<void**>(&ace)));
        if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ace->Mask == GENERIC_ALL &&
            EqualSid(&ace->SidStart, sid))
            return true;
    }
    return false;
}

EXPLICIT_ACCESSW FullAccessFor(PSID sid) {
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return access;
}

std::wstring LocaleDecimalSeparator(LCID locale) {
    wchar_t separator[8] = {};
    CheckWin32(GetLocaleInfoW(locale, LOCALE_SDECIMAL, separator, ARRAYSIZE(separator)) != 0);
    return separator;
}

bool IsDigits(std::wstring_view text, size_t most) {
    return !text.empty() && text.size() <= most &&
           std::ranges::all_of(text, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// A catalogue of 10,000 providers holds some 30,000 amounts, which the platform's
// parser took 50 ms to read under Wine. Nearly all are of the form
// -?d{1,14}([.,]d{1,4})?, whose value is beyond doubt; anything else goes to it.
std::optional<Currency> PlainAmount(std::wstring_view text) {
    const bool negative = text.starts_with(L'-');
    text.remove_prefix(negative ? 1 : 0);
    const size_t point = std::min(text.find_first_of(L".,"), text.size());
    const std::wstring_view whole = text.substr(0, point);
    const std::wstring_view fraction = point < text.size() ? text.substr(point + 1) : L"0";
    if (!IsDigits(whole, 14) || !IsDigits(fraction, 4))
        return std::nullopt;
    Currency units = 0;
    for (const wchar_t c : whole)
        units = units * 10 + (c - L'0');
    for (size_t i = 0; i < 4; ++i)
        units = units * 10 + (i < fraction.size() ? fraction[i] - L'0' : 0);
    return negative ? -units : units;
}

} // namespace

std::wstring IncludeTrailingPathDelimiter(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring GetSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT hr =
        SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(hr)) {
        // Nothing is left to fall back to when the user's own folder fails too.
        if (csidl == CSIDL_APPDATA)
            CheckHResult(hr);
        return GetSpecialFolder(CSIDL_APPDATA);
    }
    return IncludeTrailingPathDelimiter(path);
}

std::wstring GetCommonAppDataFolder() {
    return GetSpecialFolder(CSIDL_COMMON_APPDATA);
}

std::wstring GetDataFolder() {
    return EnsureSharedFolder(GetCommonAppDataFolder() + DataFolderName);
}

bool ForceDirectories(const std::wstring& path) {
    const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_ALREADY_EXISTS)
        return false;
    CheckWin32Result(static_cast<DWORD>(result));
    return true;
}

// Only the instance that made the folder grants: rewriting the list of an existing
// one on every use would fight an administrator's narrower list, and under Wine the
// entry never reads back as granted, so the list would be rewritten every time.
std::wstring EnsureSharedFolder(const std::wstring& path) {
    if (ForceDirectories(path))
        GrantEveryoneFullAccess(path);
    return IncludeTrailingPathDelimiter(path);
}

void GrantEveryoneFullAccess(const std::wstring& path) {
    const unique_sid everyone = EveryoneSid();
    ACL* dacl = nullptr;
    unique_hlocal descriptor;
    CheckWin32Result(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, &dacl, nullptr,
                                           descriptor.put_as<void>()));
    if (!dacl || HasFullAccessEntry(dacl, everyone.get()))
        return;
    EXPLICIT_ACCESSW access = FullAccessFor(everyone.get());
    unique_hlocal merged;
    CheckWin32Result(SetEntriesInAclW(1, &access, dacl, merged.put_as<ACL>()));
    // Another instance may own the folder; the folder stays usable for reading then.
    std::wstring target = path;
    SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, static_cast<ACL*>(merged.get()), nullptr);
}

std::wstring Base64EncodeGroup(std::string_view group) {
    unsigned value = 0;
    for (size_t position = 0; position < group.size(); ++position)
        value += static_cast<unsigned char>(group[position]) << (8 * (2 - position));
    std::wstring result;
    for (int shift = 18; shift >= 0; shift -= 6)
        result += static_cast<wchar_t>(Base64Alphabet[(value >> shift) & 0x3F]);
    result.resize(group.size() + 1);
    result.append(3 - group.size(), L'=');
    return result;
}

std::wstring Base64Encode(const std::string& bytes) {
    std::wstring result;
    result.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t at = 0; at < bytes.size(); at += 3)
        result += Base64EncodeGroup(std::string_view(bytes).substr(at, 3));
    return result;
}

std::wstring MD5HexUpper(std::wstring_view text) {
    std::string bytes(text.size(), '?');
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](wchar_t c) { return c < 0x80 ? static_cast<char>(c) : '?'; });
    std::wstring result;
    for (const std::uint8_t byte : Md5Digest(bytes))
        result += FormatText(L"%02X", byte);
    return result;
}

namespace {

HRESULT ParseAmount(std::wstring_view text, LCID locale, Currency& value) {
    const std::wstring_view trimmed = Trim(text);
    value = 0;
    if (trimmed.empty())
        return S_OK;
    if (const std::optional<Currency> plain = PlainAmount(trimmed)) {
        value = *plain;
        return S_OK;
    }
    const std::wstring separator = LocaleDecimalSeparator(locale);
    const std::wstring number =
        ReplaceAll(ReplaceAll(std::wstring(trimmed), L".", separator), L",", separator);
    CY amount{};
    const HRESULT hr = VarCyFromStr(unique_bstr(number).get(), locale, 0, &amount);
    value = amount.int64;
    return hr;
}

} // namespace

Currency TextToCurrency(std::wstring_view text, LCID locale) {
    Currency value = 0;
    CheckHResult(ParseAmount(text, locale, value));
    return value;
}

std::optional<Currency> TryTextToCurrency(std::wstring_view text, LCID locale) {
    Currency value = 0;
    const HRESULT hr = ParseAmount(text, locale, value);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW)
        return std::nullopt;
    CheckHResult(hr);
    return value;
}

std::wstring CurrencyToText(Currency value, LCID locale) {
    CY amount{};
    amount.int64 = value;
    unique_bstr text;
    CheckHResult(VarBstrFromCy(amount, locale, 0, text.put()));
    return ReplaceAll(text.str(), L",", L".");
}

std::wstring DateToText(double oleDate) {
    // The time of day would be rounded to whole seconds, which can tip 23:59:59.6 into the
    // next day; a date part alone cannot.
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(std::trunc(oleDate), &time))
        CheckHResult(DISP_E_OVERFLOW);
    return FormatText(L"%.2d.%.2d.%.4d", time.wDay, time.wMonth, time.wYear);
}

XmlNode AppendElement(XmlDocument& doc, const XmlNode& parent, std::wstring_view name) {
    return parent.AppendChild(doc.CreateElement(name));
}

void SetNodeAttribute(XmlDocument& doc, const XmlNode& node, std::wstring_view name,
                      std::wstring_view value) {
    node.SetAttributeNode(doc.CreateAttribute(name, value));
}

XmlNode AppendElementWithAttributes(XmlDocument& doc, const XmlNode& parent, std::wstring_view name,
                                    const std::vector<std::wstring>& values,
                                    const std::vector<std::wstring>& names) {
    if (values.size() != names.size())
        throw Exception(FormatText(CommonTexts::XmlAttributeCountMismatch,
                                   std::wstring(name).c_str(), unsigned(names.size()),
                                   unsigned(values.size())));
    XmlNode node = AppendElement(doc, parent, name);
    for (size_t index = 0; index < names.size(); ++index)
        SetNodeAttribute(doc, node, names[index], values[index]);
    return node;
}

XmlNode AppendElementAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                        const std::vector<std::wstring>& values,
                        const std::vector<std::wstring>& names) {
    const XmlNode parent = doc.SelectSingleNode(path);
    if (!parent)
        return XmlNode();
    return AppendElementWithAttributes(doc, parent, name, values, names);
}

void SetAttributeAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                    std::wstring_view value) {
    if (const XmlNode node = doc.SelectSingleNode(path))
        SetNodeAttribute(doc, node, name, value);
}

std::wstring ReadXmlValue(const XmlDocument& doc, std::wstring_view path,
                          std::wstring_view attributeName, std::wstring_view defaultValue) {
    try {
        const XmlNode node = path.empty() ? doc.DocumentElement() : doc.SelectSingleNode(path);
        if (!node)
            return std::wstring(defaultValue);
        if (attributeName.empty())
            return node.Text();
        return node.Attribute(attributeName).value_or(std::wstring(defaultValue));
    } catch (const Exception&) {
        return std::wstring(defaultValue);
    }
}

std::wstring ReadNodeAttribute(const XmlNode& node, std::wstring_view name,
                               std::wstring_view defaultValue) {
    return node.Attribute(name).value_or(std::wstring(defaultValue));
}

void SaveXmlToDataFolder(const XmlDocument& doc, std::wstring_view fileName, DWORD waitMs) {
    ReplaceFile(
        GetDataFolder() + std::wstring(fileName),
        [&](const std::wstring& temporary) { doc.Save(temporary); }, waitMs);
}

double TimeOfDayNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond;
    return (seconds + now.wMilliseconds / 1000.0) / 86400.0;
}

// A combo box keeps its edit part as a child window of class "Edit".
void SetEditNumbersOnly(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    HWND edit = lstrcmpiW(className, L"ComboBox") == 0
                    ? FindWindowExW(control, nullptr, L"Edit", nullptr)
                    : control;
    if (edit)
        SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_NUMBER);
}

} // namespace svcgate
