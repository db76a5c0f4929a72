#include "token/EToken.h"

#include "token/SmartCards.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"

#include <algorithm>

namespace svcgate {

namespace {

constexpr const wchar_t* ProviderName = L"eToken Base Cryptographic Provider";
constexpr DWORD Encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr size_t Base64LineLength = 76;

// Bytes a platform call hands out length first. Returns the second call's result
// with its last error untouched, for the caller to check.
template <class Query> BOOL QueryBytes(std::vector<BYTE>& data, Query query) {
    DWORD length = 0;
    if (!query(nullptr, &length))
        return FALSE;
    data.resize(length);
    if (!query(data.data(), &length))
        return FALSE;
    data.resize(length);
    return TRUE;
}

BOOL EncodeObject(LPCSTR structType, const void* structInfo, std::vector<BYTE>& encoded) {
    return QueryBytes(encoded, [&](BYTE* data, DWORD* length) {
        return CryptEncodeObject(Encoding, structType, structInfo, data, length);
    });
}

// The SubjectPublicKeyInfo around a DER RSAPublicKey.
BOOL EncodePublicKeyInfo(std::vector<BYTE>& rsaPublicKey, std::vector<BYTE>& encoded) {
    BYTE derNull[] = {0x05, 0x00};
    CERT_PUBLIC_KEY_INFO info{};
    info.Algorithm.pszObjId = const_cast<LPSTR>(szOID_RSA_RSA);
    info.Algorithm.Parameters = {sizeof derNull, derNull};
    info.PublicKey = {static_cast<DWORD>(rsaPublicKey.size()), rsaPublicKey.data(), 0};
    return EncodeObject(X509_PUBLIC_KEY_INFO, &info, encoded);
}

// Base64 with a CR LF after every full line, the last one included.
std::string Base64Lines(const std::vector<BYTE>& bytes) {
    const std::wstring encoded = Base64Encode(std::string(bytes.begin(), bytes.end()));
    std::string text;
    for (size_t at = 0; at < encoded.size(); at += Base64LineLength) {
        const std::wstring_view line = std::wstring_view(encoded).substr(at, Base64LineLength);
        text.append(line.begin(), line.end());
        if (line.size() == Base64LineLength)
            text += "\r\n";
    }
    return text;
}

// The Base64 decoder skips line breaks.
BOOL Base64Decode(const std::string& text, std::vector<BYTE>& bytes) {
    return QueryBytes(bytes, [&](BYTE* data, DWORD* length) {
        return CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()),
                                    CRYPT_STRING_BASE64, data, length, nullptr, nullptr);
    });
}

// The provider hands out UTF-8 names; the system keeps only what its 8-bit code page can hold.
std::wstring ContainerNameOf(const std::vector<BYTE>& buffer) {
    const auto* name = reinterpret_cast<const char*>(buffer.data());
    return AnsiToWide(WideToAnsi(Utf8ToWide(std::string_view(name, strnlen(name, buffer.size())))));
}

} // namespace

bool TEToken::Check(BOOL succeeded) {
    if (!succeeded) {
        const DWORD code = GetLastError();
        FLastErrorDescription = SystemErrorMessage(code) + FormatText(L" (0x%08X)", code);
    }
    return succeeded != FALSE;
}

std::wstring TEToken::QualifiedName(const std::wstring& AContainerName) {
    return L"[" + ReaderName() + L"{{" + FUserPassword + L"}}]=" + AContainerName;
}

bool TEToken::Acquire(unique_hcryptprov& provider, const std::wstring& container, DWORD flags) {
    return Check(CryptAcquireContextW(provider.put(), container.c_str(), ProviderName,
                                      PROV_RSA_FULL, flags));
}

bool TEToken::HashMessage(HCRYPTPROV provider, const std::string& Msg, unique_hcrypthash& hash) {
    return Check(CryptCreateHash(provider, CALG_MD5, 0, 0, hash.put())) &&
           Check(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(Msg.data()),
                               static_cast<DWORD>(Msg.size()), 0));
}

std::wstring TEToken::ReaderName() {
    if (!FReaderName.empty())
        return FReaderName;
    const std::vector<std::wstring> readers = ReadersWithCardsOf(ProviderName);
    return readers.empty() ? std::wstring() : readers.front();
}

bool TEToken::GetContainers(std::vector<std::wstring>& Containers) {
    Containers.clear();
    unique_hcryptprov provider;
    DWORD longest = 0;
    if (!Acquire(provider, L"[" + ReaderName() + L"]", CRYPT_VERIFYCONTEXT) ||
        !Check(
            CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, nullptr, &longest, CRYPT_FIRST)))
        return false;
    // The walk ends at the first refusal, normally "no more items", which is no failure.
    std::vector<BYTE> buffer(longest);
    for (DWORD length = longest;
         CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, buffer.data(), &length, CRYPT_NEXT);
         length = longest)
        Containers.push_back(ContainerNameOf(buffer));
    return true;
}

std::wstring TEToken::GetContainerName() {
    std::vector<std::wstring> containers;
    return GetContainers(containers) && !containers.empty() ? containers.front() : std::wstring();
}

bool TEToken::CreateKey(const std::wstring& AContainerName) {
    unique_hcryptprov provider;
    unique_hcryptkey key;
    return Acquire(provider, QualifiedName(AContainerName), CRYPT_NEWKEYSET) &&
           Check(CryptGenKey(provider.get(), AT_KEYEXCHANGE, 0, key.put()));
}

bool TEToken::DeleteKey(const std::wstring& AContainerName) {
    // Deleting leaves no context to release: the handle is undefined afterwards.
    HCRYPTPROV unused = 0;
    return Check(CryptAcquireContextW(&unused, QualifiedName(AContainerName).c_str(), ProviderName,
                                      PROV_RSA_FULL, CRYPT_DELETEKEYSET));
}

bool TEToken::GetPublicKey(const std::wstring& AContainerName, std::vector<BYTE>& X509PKI) {
    unique_hcryptprov provider;
    unique_hcryptkey key;
    std::vector<BYTE> blob, rsaPublicKey;
    return Acquire(provider, QualifiedName(AContainerName), CRYPT_VERIFYCONTEXT) &&
           Check(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put())) &&
           Check(QueryBytes(blob,
                            [&](BYTE* data, DWORD* length) {
                                return CryptExportKey(key.get(), 0, PUBLICKEYBLOB, 0, data, length);
                            })) &&
           Check(EncodeObject(RSA_CSP_PUBLICKEYBLOB, blob.data(), rsaPublicKey)) &&
           Check(EncodePublicKeyInfo(rsaPublicKey, X509PKI));
}

bool TEToken::GetPublicKey(const std::wstring& AContainerName, std::string& KeyData64) {
    KeyData64.clear();
    std::vector<BYTE> keyInfo;
    if (!GetPublicKey(AContainerName, keyInfo))
        return false;
    KeyData64 = Base64Lines(keyInfo);
    return true;
}

bool TEToken::SignMessage(const std::wstring& AContainerName, const std::string& Msg,
                          std::vector<BYTE>& SignBlob) {
    unique_hcryptprov provider;
    unique_hcrypthash hash;
    const bool signedHash =
        Acquire(provider, QualifiedName(AContainerName), 0) &&
        HashMessage(provider.get(), Msg, hash) &&
        Check(QueryBytes(SignBlob, [&](BYTE* data, DWORD* length) {
            return CryptSignHashW(hash.get(), AT_KEYEXCHANGE, nullptr, 0, data, length);
        }));
    // The provider writes the signature least significant byte first.
    std::reverse(SignBlob.begin(), SignBlob.end());
    return signedHash;
}

bool TEToken::SignMessage(const std::wstring& AContainerName, const std::string& Msg,
                          std::string& SignData64) {
    std::vector<BYTE> signature;
    if (!SignMessage(AContainerName, Msg, signature))
        return false;
    SignData64 = Base64Lines(signature);
    return true;
}

bool TEToken::VerifySign(const std::wstring& AContainerName, const std::string& Msg,
                         const std::vector<BYTE>& SignBlob) {
    std::vector<BYTE> signature(SignBlob.rbegin(), SignBlob.rend());
    unique_hcryptprov provider;
    unique_hcrypthash hash;
    unique_hcryptkey key;
    return Acquire(provider, QualifiedName(AContainerName), CRYPT_VERIFYCONTEXT) &&
           HashMessage(provider.get(), Msg, hash) &&
           Check(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put())) &&
           Check(CryptVerifySignatureW(hash.get(), signature.data(),
                                       static_cast<DWORD>(signature.size()), key.get(), nullptr,
                                       0));
}

bool TEToken::VerifySign(const std::wstring& AContainerName, const std::string& Msg,
                         const std::string& SignData64) {
    std::vector<BYTE> signature;
    return Check(Base64Decode(SignData64, signature)) && VerifySign(AContainerName, Msg, signature);
}

} // namespace svcgate
