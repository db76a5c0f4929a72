// trust-ca: adds a certificate authority to the machine's trusted roots, or
// takes it out again, through the platform's certificate store, as
// `certutil -addstore root` does on Windows. The HTTPS tests and benchmarks make
// their own authority and trust it in the test prefix for their run alone.

#include "common/Exception.h"
#include "common/Owners.h"
#include "common/Text.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace svcgate;

namespace {

// The certificate's DER bytes from a PEM file.
std::vector<BYTE> ReadCertificate(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    CheckWin32(CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER,
                                    nullptr, &size, nullptr, nullptr));
    std::vector<BYTE> der(size);
    CheckWin32(CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER,
                                    der.data(), &size, nullptr, nullptr));
    return der;
}

void Remove(HCERTSTORE store, const std::vector<BYTE>& der) {
    const unique_certcontext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
    CheckWin32(static_cast<bool>(certificate));
    // Deleting frees the context it is given.
    if (PCCERT_CONTEXT found = CertFindCertificateInStore(
            store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate.get(), nullptr))
        CheckWin32(CertDeleteCertificateFromStore(found));
}

int Run(const std::string& action, const char* path) {
    const std::vector<BYTE> der = ReadCertificate(path);
    const unique_hcertstore store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    CheckWin32(static_cast<bool>(store));
    if (action == "add")
        CheckWin32(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                    DWORD(der.size()),
                                                    CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    else
        Remove(store.get(), der);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string action = argc == 3 ? argv[1] : "";
    if (action != "add" && action != "remove") {
        std::fputs("trust-ca.exe add|remove AUTHORITY.pem\n", stderr);
        return 2;
    }
    try {
        return Run(action, argv[2]);
    } catch (const Exception& error) {
        std::fprintf(stderr, "trust-ca: %s\n", WideToUtf8(error.Message()).c_str());
        return 1;
    }
}
