#pragma once
// RSA key pairs on an eToken hardware key, through the platform's CryptoAPI and
// the vendor's cryptographic service provider: containers, public key export,
// MD5 signatures. Every operation holds a provider context only while it runs.

#include "common/Owners.h"

#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

class TEToken {
public:
    bool GetContainers(std::vector<std::wstring>& Containers);
    // The first container's name, or empty.
    std::wstring GetContainerName();
    bool CreateKey(const std::wstring& AContainerName);
    bool DeleteKey(const std::wstring& AContainerName);
    // The DER of the key's X.509 SubjectPublicKeyInfo.
    bool GetPublicKey(const std::wstring& AContainerName, std::vector<BYTE>& X509PKI);
    bool GetPublicKey(const std::wstring& AContainerName, std::string& KeyData64);
    // The signature in PKCS #1 byte order, most significant byte first.
    bool SignMessage(const std::wstring& AContainerName, const std::string& Msg,
                     std::vector<BYTE>& SignBlob);
    bool SignMessage(const std::wstring& AContainerName, const std::string& Msg,
                     std::string& SignData64);
    bool VerifySign(const std::wstring& AContainerName, const std::string& Msg,
                    const std::vector<BYTE>& SignBlob);
    bool VerifySign(const std::wstring& AContainerName, const std::string& Msg,
                    const std::string& SignData64);

    // Discovered anew by every call while the field is empty.
    std::wstring ReaderName();
    void SetReaderName(std::wstring_view value) { FReaderName = value; }
    // The text of the last failed platform call; a success leaves it.
    const std::wstring& LastErrorDescription() const { return FLastErrorDescription; }
    void SetLastErrorDescription(std::wstring_view value) { FLastErrorDescription = value; }
    const std::wstring& UserPassword() const { return FUserPassword; }
    void SetUserPassword(std::wstring_view value) { FUserPassword = value; }

private:
    // The provider reads the reader and the PIN from the name, so it shows no PIN dialog.
    std::wstring QualifiedName(const std::wstring& AContainerName);
    // Keeps the failure of a platform call in FLastErrorDescription.
    bool Check(BOOL succeeded);
    bool Acquire(unique_hcryptprov& provider, const std::wstring& container, DWORD flags);
    bool HashMessage(HCRYPTPROV provider, const std::string& Msg, unique_hcrypthash& hash);

    std::wstring FLastErrorDescription;
    std::wstring FReaderName;
    std::wstring FUserPassword;
};

} // namespace svcgate
