#include "gateway-sim/GatewayAnswer.h"

#include <gtest/gtest.h>

using svcgate::tools::GatewayAnswer;

TEST(GatewayAnswerTest, NestsTheOperationInItsGroupUnderTheRoot) {
    EXPECT_EQ(
        GatewayAnswer("terminals", "getLastIds", "0", R"(<last-payment id="5"/>)"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<response result=\"0\"><terminals>"
        "<getLastIds result=\"0\"><last-payment id=\"5\"/></getLastIds></terminals></response>");
    EXPECT_TRUE(GatewayAnswer("system", "getResultCodes", "", "", "150")
                    .ends_with("<response result=\"150\"><system><getResultCodes></getResultCodes>"
                               "</system></response>"));
}
