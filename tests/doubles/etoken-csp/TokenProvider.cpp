// An emulated eToken: a cryptographic service provider registered under the
// vendor's name "eToken Base Cryptographic Provider", so that the token signer
// runs through the real CryptoAPI.
//
// The token sits in one reader and has one PIN, read at every acquisition from
// HKCU\Software\SvcGate\TestToken, values "Reader" and "PIN" (REG_SZ); tests set
// them. A container is named "[reader{{PIN}}]=name", the list of containers is
// asked of "[reader]". An empty reader means the token's own; another reader is
// refused with SCARD_E_UNKNOWN_READER, a PIN that differs with SCARD_W_WRONG_CHV.
//
// The keys are real: container "name" is the container TokenPrefix + "name" of the
// platform's RSA provider, which does the key work and keeps the keys (1024 bits
// unless the caller asks for another length). Its handles of keys and hashes are
// handed out as this provider's own. Operations the token signer never asks for
// are refused with E_NOTIMPL.

#include "common/Owners.h"
#include "common/Text.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace svcgate;

constexpr const wchar_t* TokenKey = L"Software\\SvcGate\\TestToken";
constexpr const char* TokenPrefix = "SvcGate eToken ";
constexpr DWORD DefaultKeyBits = 1024;

struct ContainerRequest {
    std::wstring reader;
    std::wstring pin;
    // Absent when the text names none: "[reader]" or nothing at all.
    std::optional<std::wstring> container;
};

// "reader{{PIN}}" or "reader", the inside of the brackets.
bool ReadReader(std::wstring_view inside, ContainerRequest& request) {
    const size_t pinAt = inside.find(L"{{");
    request.reader = inside.substr(0, pinAt);
    if (pinAt == std::wstring_view::npos)
        return true;
    request.pin = inside.substr(pinAt + 2, inside.size() - pinAt - 2);
    if (!request.pin.ends_with(L"}}"))
        return false;
    request.pin.resize(request.pin.size() - 2);
    return true;
}

// "[reader{{PIN}}]=name", "[reader]=name", "[reader]" or a bare name; nothing for
// a text of none of these shapes. A PIN may hold a "]".
std::optional<ContainerRequest> Parse(std::wstring_view text) {
    ContainerRequest request;
    if (!text.starts_with(L'[')) {
        if (!text.empty())
            request.container = std::wstring(text);
        return request;
    }
    const size_t pinEnd = text.find(L"}}]");
    const size_t close = text.find(L']', pinEnd == std::wstring_view::npos ? 0 : pinEnd + 2);
    if (close == std::wstring_view::npos || !ReadReader(text.substr(1, close - 1), request))
        return std::nullopt;
    const std::wstring_view rest = text.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(L'='))
        return std::nullopt;
    if (!rest.empty())
        request.container = std::wstring(rest.substr(1));
    return request;
}

std::wstring TokenSetting(const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, TokenKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

// Takes both system error codes and HRESULTs, as a provider's last error may be either.
BOOL Fail(LONG code) {
    SetLastError(static_cast<DWORD>(code));
    return FALSE;
}

// The token's check of a request: its reader, and the PIN wherever a container is named.
HRESULT Refusal(const ContainerRequest& request) {
    if (!request.reader.empty() && request.reader != TokenSetting(L"Reader"))
        return SCARD_E_UNKNOWN_READER;
    if (request.container && request.pin != TokenSetting(L"PIN"))
        return SCARD_W_WRONG_CHV;
    return S_OK;
}

BOOL AcquirePlatform(HCRYPTPROV* provider, const std::wstring& container, DWORD flags) {
    return CryptAcquireContextW(provider, container.empty() ? nullptr : container.c_str(),
                                MS_ENHANCED_PROV_W, PROV_RSA_FULL, flags);
}

struct TokenContext {
    unique_hcryptprov platform;
    std::optional<std::vector<std::string>> containers;
    size_t nextContainer = 0;
};

std::wstring PlatformContainer(const std::wstring& name) {
    return AnsiToWide(TokenPrefix) + name;
}

// The platform refuses a new container that exists (NTE_EXISTS) and a missing one
// (NTE_BAD_KEYSET); a context without a container only lists containers.
BOOL Open(TokenContext& context, const ContainerRequest& request, DWORD flags) {
    if (request.container)
        return AcquirePlatform(context.platform.put(), PlatformContainer(*request.container),
                               flags & CRYPT_NEWKEYSET);
    if (!(flags & CRYPT_VERIFYCONTEXT))
        return Fail(NTE_BAD_KEYSET_PARAM);
    return AcquirePlatform(context.platform.put(), {}, CRYPT_VERIFYCONTEXT);
}

BOOL Delete(const ContainerRequest& request) {
    if (!request.container)
        return Fail(NTE_BAD_KEYSET_PARAM);
    // The handle is undefined after a deletion: there is nothing to release.
    HCRYPTPROV deleted = 0;
    return AcquirePlatform(&deleted, PlatformContainer(*request.container), CRYPT_DELETEKEYSET);
}

// The token's container names in UTF-8, as the vendor's provider lists them.
std::vector<std::string> TokenContainers() {
    unique_hcryptprov platform;
    DWORD longest = 0;
    if (!AcquirePlatform(platform.put(), {}, CRYPT_VERIFYCONTEXT) ||
        !CryptGetProvParam(platform.get(), PP_ENUMCONTAINERS, nullptr, &longest, CRYPT_FIRST))
        return {};
    std::vector<char> buffer(longest + 1);
    std::vector<std::string> names;
    for (DWORD flags = CRYPT_FIRST, length = longest;
         CryptGetProvParam(platform.get(), PP_ENUMCONTAINERS,
                           reinterpret_cast<BYTE*>(buffer.data()), &length, flags);
         flags = CRYPT_NEXT, length = longest) {
        const std::string_view name(buffer.data());
        if (name.starts_with(TokenPrefix))
            names.push_back(
                WideToUtf8(AnsiToWide(name.substr(std::string_view(TokenPrefix).size()))));
    }
    return names;
}

// An empty name asks for the token's default container, its first one, as a
// smart-card provider reads it; there is none to make or delete by that name.
bool UseDefaultContainer(ContainerRequest& request, DWORD flags) {
    const std::vector<std::string> names = TokenContainers();
    if (names.empty() || (flags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)))
        return false;
    request.container = Utf8ToWide(names.front());
    return true;
}

TokenContext& Context(HCRYPTPROV provider) {
    return *reinterpret_cast<TokenContext*>(provider);
}

// CRYPT_FIRST without a buffer gives the length of the longest name, as the
// vendor's provider does, and leaves the walk at its start.
BOOL EnumerateContainers(TokenContext& context, BYTE* data, DWORD* length, DWORD flags) {
    if ((flags & CRYPT_FIRST) || !context.containers) {
        context.containers = TokenContainers();
        context.nextContainer = 0;
    }
    const std::vector<std::string>& names = *context.containers;
    if (!data) {
        size_t longest = 0;
        for (const std::string& name : names)
            longest = std::max(longest, name.size());
        *length = static_cast<DWORD>(longest + 1);
        return TRUE;
    }
    if (context.nextContainer >= names.size())
        return Fail(ERROR_NO_MORE_ITEMS);
    const std::string& name = names[context.nextContainer];
    const DWORD needed = static_cast<DWORD>(name.size() + 1);
    const DWORD room = std::exchange(*length, needed);
    if (room < needed)
        return Fail(ERROR_MORE_DATA);
    std::copy(name.c_str(), name.c_str() + needed, data);
    ++context.nextContainer;
    return TRUE;
}

BOOL Refuse() {
    return Fail(E_NOTIMPL);
}

} // namespace

extern "C" {

// The last argument is the caller's table of call-backs, which a token needs not.
BOOL WINAPI CPAcquireContext(HCRYPTPROV* phProv, LPSTR pszContainer, DWORD dwFlags, void*) {
    std::optional<ContainerRequest> request = Parse(AnsiToWide(pszContainer ? pszContainer : ""));
    if (!request)
        return Fail(NTE_BAD_KEYSET_PARAM);
    if (const HRESULT refusal = Refusal(*request))
        return Fail(refusal);
    if (request->container && request->container->empty() &&
        !UseDefaultContainer(*request, dwFlags))
        return Fail(NTE_BAD_KEYSET);
    if (dwFlags & CRYPT_DELETEKEYSET)
        return Delete(*request);
    auto context = std::make_unique<TokenContext>();
    if (!Open(*context, *request, dwFlags))
        return FALSE;
    *phProv = reinterpret_cast<HCRYPTPROV>(context.release());
    return TRUE;
}

BOOL WINAPI CPReleaseContext(HCRYPTPROV hProv, DWORD) {
    delete &Context(hProv);
    return TRUE;
}

BOOL WINAPI CPGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey) {
    // The upper half of the flags is the key length in bits; zero asks for the default.
    if (!(dwFlags >> 16))
        dwFlags |= DefaultKeyBits << 16;
    return CryptGenKey(Context(hProv).platform.get(), Algid, dwFlags, phKey);
}

BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
    return CryptGetUserKey(Context(hProv).platform.get(), dwKeySpec, phUserKey);
}

BOOL WINAPI CPDestroyKey(HCRYPTPROV, HCRYPTKEY hKey) {
    return CryptDestroyKey(hKey);
}

BOOL WINAPI CPExportKey(HCRYPTPROV, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType,
                        DWORD dwFlags, BYTE* pbData, DWORD* pdwDataLen) {
    return CryptExportKey(hKey, hPubKey, dwBlobType, dwFlags, pbData, pdwDataLen);
}

BOOL WINAPI CPCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                         HCRYPTHASH* phHash) {
    return CryptCreateHash(Context(hProv).platform.get(), Algid, hKey, dwFlags, phHash);
}

BOOL WINAPI CPHashData(HCRYPTPROV, HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen,
                       DWORD dwFlags) {
    return CryptHashData(hHash, pbData, dwDataLen, dwFlags);
}

BOOL WINAPI CPSignHash(HCRYPTPROV, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR sDescription,
                       DWORD dwFlags, BYTE* pbSignature, DWORD* pdwSigLen) {
    return CryptSignHashW(hHash, dwKeySpec, sDescription, dwFlags, pbSignature, pdwSigLen);
}

BOOL WINAPI CPVerifySignature(HCRYPTPROV, HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen,
                              HCRYPTKEY hPubKey, LPCWSTR sDescription, DWORD dwFlags) {
    return CryptVerifySignatureW(hHash, pbSignature, dwSigLen, hPubKey, sDescription, dwFlags);
}

BOOL WINAPI CPDestroyHash(HCRYPTPROV, HCRYPTHASH hHash) {
    return CryptDestroyHash(hHash);
}

BOOL WINAPI CPGetHashParam(HCRYPTPROV, HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData,
                           DWORD* pdwDataLen, DWORD dwFlags) {
    return CryptGetHashParam(hHash, dwParam, pbData, pdwDataLen, dwFlags);
}

BOOL WINAPI CPGetKeyParam(HCRYPTPROV, HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData,
                          DWORD* pdwDataLen, DWORD dwFlags) {
    return CryptGetKeyParam(hKey, dwParam, pbData, pdwDataLen, dwFlags);
}

BOOL WINAPI CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                           DWORD dwFlags) {
    if (dwParam != PP_ENUMCONTAINERS)
        return Fail(NTE_BAD_TYPE);
    return EnumerateContainers(Context(hProv), pbData, pdwDataLen, dwFlags);
}

BOOL WINAPI CPDecrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*) {
    return Refuse();
}

BOOL WINAPI CPDeriveKey(HCRYPTPROV, ALG_ID, HCRYPTHASH, DWORD, HCRYPTKEY*) {
    return Refuse();
}

BOOL WINAPI CPDuplicateHash(HCRYPTPROV, HCRYPTHASH, DWORD*, DWORD, HCRYPTHASH*) {
    return Refuse();
}

BOOL WINAPI CPDuplicateKey(HCRYPTPROV, HCRYPTKEY, DWORD*, DWORD, HCRYPTKEY*) {
    return Refuse();
}

BOOL WINAPI CPEncrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*, DWORD) {
    return Refuse();
}

BOOL WINAPI CPGenRandom(HCRYPTPROV, DWORD, BYTE*) {
    return Refuse();
}

BOOL WINAPI CPHashSessionKey(HCRYPTPROV, HCRYPTHASH, HCRYPTKEY, DWORD) {
    return Refuse();
}

BOOL WINAPI CPImportKey(HCRYPTPROV, const BYTE*, DWORD, HCRYPTKEY, DWORD, HCRYPTKEY*) {
    return Refuse();
}

BOOL WINAPI CPSetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD, const BYTE*, DWORD) {
    return Refuse();
}

BOOL WINAPI CPSetKeyParam(HCRYPTPROV, HCRYPTKEY, DWORD, const BYTE*, DWORD) {
    return Refuse();
}

BOOL WINAPI CPSetProvParam(HCRYPTPROV, DWORD, const BYTE*, DWORD) {
    return Refuse();
}

} // extern "C"
