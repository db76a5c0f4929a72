#include "GatewayClient.h"

#include "../support/TokenDoubles.h"

#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"

#include <algorithm>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::wstring Reader = L"AKS ifdh 0";
const std::wstring Pin = L"1234";

class SignedGateway : public Gateway {
protected:
    static void SetUpTestSuite() { RegisterEmulatedToken(); }

    void SetUp() override {
        Gateway::SetUp();
        SetToken(Reader, Pin);
        SetReaders({{Reader, L"eToken PRO|eToken Base Cryptographic Provider"}});
        TEToken& token = client.EToken();
        token.SetUserPassword(Pin);
        std::vector<std::wstring> left;
        token.GetContainers(left);
        for (const std::wstring& name : left)
            token.DeleteKey(name);
        ASSERT_TRUE(token.CreateKey(L"dealer")) << token.LastErrorDescription();
        client.SetUseEToken(true);
    }

    std::vector<BYTE> Signature(const std::string& header) {
        DWORD size = 0;
        CryptStringToBinaryA(header.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                             nullptr);
        std::vector<BYTE> bytes(size);
        CryptStringToBinaryA(header.c_str(), 0, CRYPT_STRING_BASE64, bytes.data(), &size, nullptr,
                             nullptr);
        return bytes;
    }
};

// No "auth" element; the three signature headers follow the two plain ones, the
// signature on one line and made over exactly the body bytes sent.
TEST_F(SignedGateway, ARequestCarriesAVerifiableSignatureInItsHeaders) {
    ASSERT_EQ(Exchange(GatewayAnswer("terminals", "getLastIds")), 0)
        << client.LastResultDescription();
    const tools::ReceivedRequest request = server.Requests().at(0);
    EXPECT_EQ(request.body.find("<auth"), std::string::npos);
    std::vector<std::string> names;
    for (const auto& [name, value] : request.headers)
        if (name.starts_with("X-Digital-") || name == "Accept-encoding" || name == "User-Agent")
            names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Accept-encoding", "User-Agent", "X-Digital-Sign",
                                               "X-Digital-Sign-Alg", "X-Digital-Sign-Login"}));
    EXPECT_EQ(request.Header("X-Digital-Sign-Alg"), "MD5withRSA");
    EXPECT_EQ(request.Header("X-Digital-Sign-Login"), WideToUtf8(Base64Encode("dealer")));
    const std::string signature = request.Header("X-Digital-Sign").value_or("");
    EXPECT_EQ(signature.find_first_of("\r\n"), std::string::npos);
    std::vector<BYTE> publicKey;
    ASSERT_TRUE(client.EToken().GetPublicKey(L"dealer", publicKey));
    EXPECT_TRUE(VerifiedByPlatform(publicKey, request.body, Signature(signature)));
}

TEST_F(SignedGateway, AnEmptyLoginSendsTheFirstContainersName) {
    client.SetLogin(L"");
    ASSERT_EQ(Exchange(GatewayAnswer("terminals", "getLastIds")), 0)
        << client.LastResultDescription();
    EXPECT_EQ(server.Requests().at(0).Header("X-Digital-Sign-Login"),
              WideToUtf8(Base64Encode("dealer")));
}

TEST_F(SignedGateway, AFailedSignatureIsAFailureToSendWithTheTokensText) {
    client.EToken().SetUserPassword(L"0000");
    EXPECT_EQ(client.ExecuteRequest(L"terminals", L"getLastIds", doc), 1001);
    EXPECT_EQ(client.LastResultDescription(),
              L"Ошибка отправки запроса.\r\n" + client.EToken().LastErrorDescription());
    EXPECT_TRUE(server.Requests().empty());
}

} // namespace
