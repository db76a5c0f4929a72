#include "common/uSimpleCrypt.h"

#include <gtest/gtest.h>

using namespace svcgate;

namespace {

std::string AllByteValues() {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

} // namespace

// Computed by hand from the key schedule, so a change of constants or order shows.
TEST(SimpleCrypt, ScramblesAKnownPasswordToUpperCaseHex) {
    EXPECT_EQ(ScrambleValue("Secret1", true), "50CA1348BACB3F");
    EXPECT_EQ(UnscrambleValue("50CA1348BACB3F", true), "Secret1");
}

TEST(SimpleCrypt, EveryByteValueSurvivesTheRoundTrip) {
    const std::string plain = AllByteValues();
    const std::string hex = ScrambleValue(plain, true);
    EXPECT_EQ(hex.size(), 2 * plain.size());
    EXPECT_EQ(UnscrambleValue(hex, true), plain);
    EXPECT_EQ(UnscrambleValue(ScrambleValue(plain, false), false), plain);
}

TEST(SimpleCrypt, EmptyValueStaysEmpty) {
    EXPECT_EQ(ScrambleValue("", true), "");
    EXPECT_EQ(UnscrambleValue("", true), "");
}

TEST(SimpleCrypt, ReadsLowerCaseHexAndIgnoresAnOddLastDigit) {
    EXPECT_EQ(UnscrambleValue("50ca1348bacb3f", true), "Secret1");
    EXPECT_EQ(UnscrambleValue("50CA1348BACB3F7", true), "Secret1");
}

TEST(SimpleCrypt, StopsAtTheFirstPairThatIsNotHex) {
    EXPECT_EQ(UnscrambleValue("50CA13zz48BACB3F", true), "Sec");
    EXPECT_EQ(UnscrambleValue("5gCA", true), "");
}
