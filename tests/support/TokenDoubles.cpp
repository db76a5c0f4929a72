#include "TokenDoubles.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Owners.h"

#include <windows.h>

#include <algorithm>

namespace svcgate::test {

namespace {

void SetText(HKEY root, const std::wstring& path, const std::wstring& name,
             const std::wstring& value) {
    CheckWin32Result(RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, value.c_str(),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

} // namespace

// The DER of a SubjectPublicKeyInfo read back by the platform's own RSA provider,
// which checks a signature in its byte order, least significant first.
bool VerifiedByPlatform(const std::vector<BYTE>& keyInfo, const std::string& message,
                        std::vector<BYTE> signature) {
    unique_hlocal decoded;
    DWORD size = 0;
    unique_hcryptprov provider;
    unique_hcryptkey key;
    unique_hcrypthash hash;
    std::reverse(signature.begin(), signature.end());
    return CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo.data(),
                               static_cast<DWORD>(keyInfo.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                               decoded.put(), &size) &&
           CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL,
                                CRYPT_VERIFYCONTEXT) &&
           CryptImportPublicKeyInfo(provider.get(), X509_ASN_ENCODING,
                                    static_cast<CERT_PUBLIC_KEY_INFO*>(decoded.get()), key.put()) &&
           CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put()) &&
           CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(message.data()),
                         static_cast<DWORD>(message.size()), 0) &&
           CryptVerifySignatureW(hash.get(), signature.data(), static_cast<DWORD>(signature.size()),
                                 key.get(), nullptr, 0);
}

void RegisterEmulatedToken() {
    const std::wstring provider = L"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\"
                                  L"eToken Base Cryptographic Provider";
    const std::wstring program = ThisModulePath();
    SetText(HKEY_LOCAL_MACHINE, provider, L"Image Path",
            program.substr(0, program.find_last_of(L'\\')) + L"\\etoken-csp.dll");
    const DWORD fullRsa = PROV_RSA_FULL;
    CheckWin32Result(RegSetKeyValueW(HKEY_LOCAL_MACHINE, provider.c_str(), L"Type", REG_DWORD,
                                     &fullRsa, sizeof fullRsa));
}

void SetToken(const std::wstring& reader, const std::wstring& pin) {
    SetText(HKEY_CURRENT_USER, L"Software\\SvcGate\\TestToken", L"Reader", reader);
    SetText(HKEY_CURRENT_USER, L"Software\\SvcGate\\TestToken", L"PIN", pin);
}

void SetReaders(const std::vector<ReaderSetting>& readers) {
    const wchar_t* key = L"Software\\SvcGate\\TestReaders";
    const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, key);
    if (status != ERROR_FILE_NOT_FOUND)
        CheckWin32Result(status);
    for (const ReaderSetting& reader : readers)
        SetText(HKEY_CURRENT_USER, key, reader.name, reader.card);
}

} // namespace svcgate::test
