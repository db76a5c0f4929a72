#include "common/uCommonUtils.Encodings.h"

#include <gtest/gtest.h>

#include <string>

using namespace svcgate;

namespace {

struct Base64Case {
    std::string bytes;
    std::wstring encoded;
};

class Base64 : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64, EncodesKnownAnswers) {
    EXPECT_EQ(Base64Encode(GetParam().bytes), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64,
                         testing::Values(Base64Case{"", L""}, Base64Case{"f", L"Zg=="},
                                         Base64Case{"fo", L"Zm8="}, Base64Case{"foo", L"Zm9v"},
                                         Base64Case{"foob", L"Zm9vYg=="},
                                         Base64Case{"fooba", L"Zm9vYmE="},
                                         Base64Case{"foobar", L"Zm9vYmFy"},
                                         Base64Case{"abc", L"YWJj"},
                                         Base64Case{std::string("\xFF\x00\xFE", 3), L"/wD+"}));

struct Md5Case {
    std::wstring text;
    std::wstring digest;
};

class Md5 : public testing::TestWithParam<Md5Case> {};

TEST_P(Md5, HashesKnownAnswersInUpperCase) {
    EXPECT_EQ(MD5HexUpper(GetParam().text), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5,
    testing::Values(Md5Case{L"", L"D41D8CD98F00B204E9800998ECF8427E"},
                    Md5Case{L"a", L"0CC175B9C0F1B6A831C399E269772661"},
                    Md5Case{L"abc", L"900150983CD24FB0D6963F7D28E17F72"},
                    Md5Case{L"message digest", L"F96B697D7CB7938D525A2F31AAF161D0"},
                    Md5Case{L"abcdefghijklmnopqrstuvwxyz", L"C3FCD3D76192E4007DFB496CCA67E13B"},
                    Md5Case{L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                            L"D174AB98D277D9F5A5611C2C9F419D9F"},
                    Md5Case{L"1234567890123456789012345678901234567890"
                            L"1234567890123456789012345678901234567890",
                            L"57EDF4A22BE3C955AC49DA2E2107B67A"}));

TEST(Md5, HashesCharactersOutsideAsciiAsQuestionMarks) {
    EXPECT_EQ(MD5HexUpper(L"\u041f\u0430\u0440\u043e\u043b\u044c1"), MD5HexUpper(L"??????1"));
}

} // namespace
