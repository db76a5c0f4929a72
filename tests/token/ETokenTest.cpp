#include "../support/TokenDoubles.h"

#include "token/EToken.h"

#include "common/Exception.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::wstring TokenReader = L"AKS ifdh 0";
const std::wstring Pin = L"1234567890";
const std::wstring ETokenCard = L"eToken PRO|eToken Base Cryptographic Provider";
const std::string Message = "<request><payment sum=\"100.00\"/></request>";

// The positions of the line breaks of a Base64 text form.
std::vector<size_t> LineBreaks(const std::string& text) {
    std::vector<size_t> breaks;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        breaks.push_back(at);
    return breaks;
}

class ETokenTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterEmulatedToken(); }

    void SetUp() override {
        SetToken(TokenReader, Pin);
        SetReaders({{TokenReader, ETokenCard}});
        token.SetUserPassword(Pin);
        std::vector<std::wstring> left;
        token.GetContainers(left);
        for (const std::wstring& name : left)
            token.DeleteKey(name);
    }

    std::vector<std::wstring> Containers() {
        std::vector<std::wstring> containers;
        EXPECT_TRUE(token.GetContainers(containers)) << token.LastErrorDescription();
        return containers;
    }

    TEToken token;
};

TEST_F(ETokenTest, CreatedContainerIsListedInTheCodePageAndDeleted) {
    ASSERT_TRUE(token.CreateKey(L"Кассир 中")) << token.LastErrorDescription();
    EXPECT_EQ(Containers(), std::vector<std::wstring>{L"Кассир ?"});
    EXPECT_EQ(token.GetContainerName(), L"Кассир ?");
    EXPECT_TRUE(token.DeleteKey(L"Кассир ?")) << token.LastErrorDescription();
    EXPECT_TRUE(Containers().empty());
    EXPECT_EQ(token.GetContainerName(), L"");
}

TEST_F(ETokenTest, PublicKeyAndSignatureTextsBreakAfterEvery76Characters) {
    ASSERT_TRUE(token.CreateKey(L"cashier"));
    std::string key, signature;
    ASSERT_TRUE(token.GetPublicKey(L"cashier", key)) << token.LastErrorDescription();
    EXPECT_EQ(key.size(), 216u + 2 * 2);
    EXPECT_EQ(LineBreaks(key), (std::vector<size_t>{76, 154}));
    ASSERT_TRUE(token.SignMessage(L"cashier", Message, signature));
    EXPECT_EQ(signature.size(), 172u + 2 * 2);
    EXPECT_EQ(LineBreaks(signature), (std::vector<size_t>{76, 154}));
    EXPECT_TRUE(token.VerifySign(L"cashier", Message, signature)) << token.LastErrorDescription();
    EXPECT_FALSE(token.VerifySign(L"cashier", Message + " ", signature));
    EXPECT_EQ(token.LastErrorDescription(),
              SystemErrorMessage(static_cast<DWORD>(NTE_BAD_SIGNATURE)) + L" (0x80090006)");
}

TEST_F(ETokenTest, ExportedKeyVerifiesTheSignatureOutsideTheToken) {
    ASSERT_TRUE(token.CreateKey(L"cashier"));
    std::vector<BYTE> keyInfo, signature;
    ASSERT_TRUE(token.GetPublicKey(L"cashier", keyInfo));
    ASSERT_TRUE(token.SignMessage(L"cashier", Message, signature));
    EXPECT_EQ(keyInfo.size(), 162u);
    EXPECT_EQ(signature.size(), 128u);
    EXPECT_TRUE(VerifiedByPlatform(keyInfo, Message, signature));
}

TEST_F(ETokenTest, CreatingAnExistingContainerFailsAndKeepsItsKey) {
    ASSERT_TRUE(token.CreateKey(L"cashier"));
    std::vector<BYTE> signature;
    ASSERT_TRUE(token.SignMessage(L"cashier", Message, signature));
    EXPECT_FALSE(token.CreateKey(L"cashier"));
    EXPECT_TRUE(token.LastErrorDescription().ends_with(L" (0x8009000F)"));
    EXPECT_TRUE(token.VerifySign(L"cashier", Message, signature)) << token.LastErrorDescription();
}

TEST_F(ETokenTest, SetReaderNameIsUsedAsItIs) {
    SetReaders({{L"AKS ifdh 1", ETokenCard}});
    token.SetReaderName(TokenReader);
    EXPECT_EQ(token.ReaderName(), TokenReader);
    EXPECT_TRUE(token.CreateKey(L"cashier")) << token.LastErrorDescription();
}

TEST_F(ETokenTest, WithoutReadersTheProviderIsAskedWithAnEmptyReader) {
    SetReaders({});
    EXPECT_EQ(token.ReaderName(), L"");
    EXPECT_TRUE(token.CreateKey(L"cashier")) << token.LastErrorDescription();
}

struct Refusal {
    const wchar_t* password;
    const wchar_t* readerName;
    const wchar_t* container;
    HRESULT code;
    const wchar_t* codeText;
};

class ETokenRefusals : public ETokenTest, public testing::WithParamInterface<Refusal> {};

TEST_P(ETokenRefusals, CarryTheSystemTextAndTheCode) {
    ASSERT_TRUE(token.CreateKey(L"cashier"));
    token.SetUserPassword(GetParam().password);
    token.SetReaderName(GetParam().readerName);
    std::string signature;
    token.SetLastErrorDescription(L"");
    EXPECT_FALSE(token.SignMessage(GetParam().container, Message, signature));
    EXPECT_EQ(token.LastErrorDescription(),
              SystemErrorMessage(static_cast<DWORD>(GetParam().code)) + GetParam().codeText);
    EXPECT_EQ(signature, "");
}

INSTANTIATE_TEST_SUITE_P(
    Token, ETokenRefusals,
    testing::Values(Refusal{L"0000", L"", L"cashier", SCARD_W_WRONG_CHV, L" (0x8010006B)"},
                    Refusal{L"1234567890", L"", L"absent", NTE_BAD_KEYSET, L" (0x80090016)"},
                    Refusal{L"1234567890", L"AKS ifdh 7", L"cashier", SCARD_E_UNKNOWN_READER,
                            L" (0x80100009)"}));

struct Discovery {
    std::vector<ReaderSetting> readers;
    const wchar_t* found;
};

class ReaderDiscovery : public testing::TestWithParam<Discovery> {};

TEST_P(ReaderDiscovery, TakesTheFirstReaderWithAnETokenCard) {
    SetReaders(GetParam().readers);
    EXPECT_EQ(TEToken().ReaderName(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderDiscovery,
    testing::Values(Discovery{{{L"A reader", L""}, {L"B reader", ETokenCard}}, L"B reader"},
                    Discovery{{{L"A reader", L"MIFARE Classic 1K|Other Provider"},
                               {L"B reader", ETokenCard}},
                              L"B reader"},
                    Discovery{{{L"A reader", ETokenCard}, {L"B reader", ETokenCard}}, L"A reader"},
                    Discovery{{{L" A reader ", L"eToken PRO| eToken Base Cryptographic Provider "}},
                              L"A reader"},
                    Discovery{{{L"A reader", L""}}, L""}, Discovery{{}, L""}));

} // namespace
