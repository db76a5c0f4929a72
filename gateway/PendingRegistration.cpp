#include "gateway/PendingRegistration.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "gateway/CacheFiles.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewayTexts.h"

#include <charconv>
#include <cwctype>

namespace svcgate {

using namespace GatewayTexts;

namespace {

constexpr const wchar_t* Header = L"svcgate pending registration 1";

// The file holds ASCII alone, so that no code page of any machine changes an
// account or an extras value: everything else, and the escape itself, is %XXXX.
bool Plain(wchar_t c) {
    return c >= L' ' && c <= L'~' && c != L'%';
}

std::wstring Escaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text)
        escaped += Plain(c) ? std::wstring(1, c) : FormatText(L"%%%04X", unsigned(c));
    return escaped;
}

std::optional<std::wstring> Unescaped(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            plain += text[i];
            continue;
        }
        const std::string hex = WideToUtf8(text.substr(i + 1, 4));
        unsigned code = 0;
        const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
        if (hex.size() != 4 || error != std::errc() || end != hex.data() + hex.size())
            return std::nullopt;
        plain += static_cast<wchar_t>(code);
        i += 4;
    }
    return plain;
}

// A name the file system takes, one per terminal identifier.
std::wstring PendingFile(const std::wstring& TerminalID) {
    std::wstring name;
    for (const wchar_t c : TerminalID)
        name += iswalnum(c) && c < 128 ? std::wstring(1, c) : FormatText(L"_%04X", unsigned(c));
    return GetDataFolder() + PendingFilePrefix + name + PendingFileExtension;
}

struct Fields {
    std::optional<std::int32_t> id, receipt;
    std::optional<Currency> from, to;
    std::optional<std::wstring> gateway, provider, account;
    std::vector<std::wstring> extras;

    bool Take(const std::wstring& name, const std::wstring& value) {
        if (name == L"gateway")
            gateway = value;
        else if (name == L"id")
            id = DecimalCode(value);
        else if (name == L"receipt")
            receipt = DecimalCode(value);
        else if (name == L"from")
            from = DecimalNumber<Currency>(value);
        else if (name == L"to")
            to = DecimalNumber<Currency>(value);
        else if (name == L"provider")
            provider = value;
        else if (name == L"account")
            account = value;
        else if (name == L"extra")
            extras.push_back(value);
        else
            return false;
        return true;
    }

    std::optional<PendingRegistration> Whole() const {
        if (!gateway || !id || !receipt || !from || !to || !provider || !account)
            return std::nullopt;
        return PendingRegistration{*gateway, *id,   *receipt, *provider,
                                   *account, *from, *to,      extras};
    }
};

} // namespace

bool PendingRegistration::SameSale(const PendingRegistration& other) const {
    return ProviderID == other.ProviderID && Account == other.Account &&
           AmountFrom == other.AmountFrom && AmountTo == other.AmountTo && Extras == other.Extras;
}

std::optional<PendingRegistration> LoadPendingRegistration(const std::wstring& TerminalID) {
    const std::vector<std::wstring> lines = ReadTextLines(PendingFile(TerminalID));
    if (lines.empty() || lines.front() != Header)
        return std::nullopt;
    Fields fields;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t equals = lines[i].find(L'=');
        const std::optional<std::wstring> value =
            equals == std::wstring::npos ? std::nullopt : Unescaped(lines[i].substr(equals + 1));
        if (!value || !fields.Take(lines[i].substr(0, equals), *value))
            return std::nullopt;
    }
    return fields.Whole();
}

// The sale's outcome must not hang on the disk: a note that cannot be written
// is still kept in memory by the caller.
bool StorePendingRegistration(const std::wstring& TerminalID, const PendingRegistration& pending) {
    std::vector<std::wstring> lines{Header,
                                    L"gateway=" + Escaped(pending.Gateway),
                                    L"id=" + std::to_wstring(pending.PaymentID),
                                    L"receipt=" + std::to_wstring(pending.ReceiptNum),
                                    L"provider=" + Escaped(pending.ProviderID),
                                    L"account=" + Escaped(pending.Account),
                                    L"from=" + std::to_wstring(pending.AmountFrom),
                                    L"to=" + std::to_wstring(pending.AmountTo)};
    for (const std::wstring& extra : pending.Extras)
        lines.push_back(L"extra=" + Escaped(extra));
    try {
        WriteTextLines(PendingFile(TerminalID), lines);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

void ForgetPendingRegistration(const std::wstring& TerminalID) {
    DeleteFileW(PendingFile(TerminalID).c_str());
}

} // namespace svcgate
