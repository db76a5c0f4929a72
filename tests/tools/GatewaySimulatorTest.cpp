#include "../gateway/SimulatedGateway.h"

#include "gateway-sim/GatewaySimulator.h"

#include "common/uCommonUtils.XmlPaths.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayResults.h"

#include <gtest/gtest.h>

#include <memory>

using namespace svcgate;
using namespace svcgate::tools;
using namespace svcgate::test;

namespace {

TEST_F(SimulatedGateway, ASaleRunsFromNumberingToCancellation) {
    Start();
    ASSERT_EQ(client.GetLastIds(), 0);
    EXPECT_EQ(client.TransactNum(), 1);
    ASSERT_EQ(client.GetUIProviders(), 0);
    ASSERT_EQ(Pay(pmCheck), 0) << client.LastResultDescription();
    ASSERT_EQ(Pay(pmOffLine), 0) << client.LastResultDescription();
    EXPECT_EQ(status, psExecuting);
    EXPECT_EQ(uid, L"SIM-1");
    EXPECT_EQ(client.TransactNum(), 2);

    std::int32_t code = -1;
    std::wstring text;
    bool fatal = true;
    ASSERT_EQ(client.GetPaymentStatus(1, code, text, status, fatal), 0);
    EXPECT_EQ(status, psExecuting);
    ASSERT_EQ(client.GetPaymentStatus(1, code, text, status, fatal), 0);
    EXPECT_EQ(status, psCompleted);
    EXPECT_FALSE(fatal);

    Currency balance = 0, tree = 0, overdraft = 0;
    ASSERT_EQ(client.GetBalance(balance, tree, overdraft), 0);
    EXPECT_EQ(balance, options.balance - 1015000);
    std::wstring cancellation;
    ASSERT_EQ(client.CancelPayment(-1, uid, status, cancellation), 0);
    EXPECT_EQ(cancellation, L"SIM-C-1");
    ASSERT_EQ(client.GetBalance(balance, tree, overdraft), 0);
    EXPECT_EQ(balance, options.balance);
}

struct Requisites {
    const char* name;
    const wchar_t* account;
    Currency amount;
    std::int32_t paymentResult;
};

class SimulatedCheck : public SimulatedGateway, public testing::WithParamInterface<Requisites> {};

TEST_P(SimulatedCheck, RefusesThePaymentWithTheGatewaysCode) {
    Start();
    ASSERT_EQ(client.GetUIProviders(), 0);
    const std::int32_t result =
        client.AuthorizePayment(GetParam().amount, GetParam().amount, L"1001", GetParam().account,
                                {}, pmCheck, status, paymentID, uid);
    EXPECT_EQ(result, 1001);
    EXPECT_EQ(client.LastResultDescription(), GatewayResultText(GetParam().paymentResult));
}

INSTANTIATE_TEST_SUITE_P(
    Payments, SimulatedCheck,
    testing::Values(Requisites{"WithoutAccount", L"", 1000000, 4},
                    Requisites{"BelowTheMinimum", L"9001234567", 50000, 241},
                    Requisites{"AboveTheMaximum", L"9001234567", 200000000, 242}),
    [](const testing::TestParamInfo<Requisites>& info) { return info.param.name; });

struct Refusal {
    const char* name;
    const wchar_t *password, *terminal, *operation;
    const wchar_t* rootResult;
};

class SimulatedGatewayRefusal : public SimulatedGateway,
                                public testing::WithParamInterface<Refusal> {};

TEST_P(SimulatedGatewayRefusal, AnswersTheGatewaysCodeOnTheRoot) {
    Start();
    client.SetPassword(GetParam().password);
    client.SetTerminalID(GetParam().terminal);
    XmlDocument doc;
    EXPECT_EQ(client.ExecuteRequest(L"terminals", GetParam().operation, doc), 1001);
    EXPECT_EQ(ReadXmlValue(doc, L"", L"result", L""), GetParam().rootResult);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SimulatedGatewayRefusal,
    testing::Values(Refusal{"WrongPassword", L"secreT", L"77", L"getLastIds", L"150"},
                    Refusal{"OtherTerminal", L"secret", L"78", L"getLastIds", L"202"},
                    Refusal{"UnknownOperation", L"secret", L"77", L"getEverything", L"295"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_F(SimulatedGateway, AFaultSwitchAnswersTheOperationWithItsCode) {
    options.faults[L"getBalance"] = 220;
    Start();
    Currency balance = 1, tree = 1, overdraft = 1;
    EXPECT_EQ(client.GetBalance(balance, tree, overdraft), 1001);
    EXPECT_EQ(client.LastResultDescription(), GatewayResultText(220));
    EXPECT_EQ(balance, 0);
}

struct KeptConnection {
    const char* name;
    // The simulator's idle limit, and the cash desk's pause between steps.
    DWORD idleCloseMs, pauseMs;
    // A busy machine may leave the connection idle within a step too.
    int fewestConnections, mostConnections;
};

class SimulatedConnection : public SimulatedGateway,
                            public testing::WithParamInterface<KeptConnection> {};

// A refresh, a sale and a warm "Enable": kept alive, all on one connection; with
// the connection closed while the cash desk was idle, on new ones, and the
// registration still reaches the gateway exactly once.
TEST_P(SimulatedConnection, CarriesEachSaleOnce) {
    options.idleCloseMs = GetParam().idleCloseMs;
    Start();
    server.CloseIdleAfter(options.idleCloseMs);
    ASSERT_EQ(client.Enable(true), 0) << client.LastResultDescription();
    Sleep(GetParam().pauseMs);
    ASSERT_EQ(Pay(pmCheck), 0) << client.LastResultDescription();
    Sleep(GetParam().pauseMs);
    ASSERT_EQ(Pay(pmOffLine), 0) << client.LastResultDescription();
    Sleep(GetParam().pauseMs);
    ASSERT_EQ(client.Enable(false), 0) << client.LastResultDescription();

    Currency balance = 0, tree = 0, overdraft = 0;
    ASSERT_EQ(client.GetBalance(balance, tree, overdraft), 0);
    EXPECT_EQ(balance, options.balance - 1015000);
    EXPECT_GE(server.Connections(), GetParam().fewestConnections);
    EXPECT_LE(server.Connections(), GetParam().mostConnections);
    EXPECT_EQ(server.Requests().back().connection, server.Connections());
}

INSTANTIATE_TEST_SUITE_P(Connections, SimulatedConnection,
                         testing::Values(KeptConnection{"KeptAlive", INFINITE, 0, 1, 1},
                                         KeptConnection{"ClosedWhileIdle", 300, 1000, 4, 20}),
                         [](const testing::TestParamInfo<KeptConnection>& info) {
                             return info.param.name;
                         });

TEST(SimulatorCommandLine, TakesRepeatedSwitchesAndRefusesUnknownOnes) {
    const CommandLine line = ParseCommandLine(
        {L"--port", L"9000", L"--fault", L"getBalance=220", L"--fault", L"getLastIds=150",
         L"--drop", L"cancelPayment", L"--balance", L"10.5", L"--cut", L"addOfflinePayment",
         L"--trickle", L"getBalance", L"--idle-close", L"3000"});
    EXPECT_EQ(line.error, L"");
    EXPECT_EQ(line.options.port, 9000);
    EXPECT_EQ(line.options.faults.size(), 2u);
    EXPECT_EQ(line.options.faults.at(L"getLastIds"), 150);
    EXPECT_TRUE(line.options.drop.contains(L"cancelPayment"));
    EXPECT_TRUE(line.options.cut.contains(L"addOfflinePayment"));
    EXPECT_TRUE(line.options.trickle.contains(L"getBalance"));
    EXPECT_EQ(line.options.balance, 105000);
    EXPECT_EQ(line.options.idleCloseMs, 3000u);
    EXPECT_NE(ParseCommandLine({L"--delay", L"getBalance"}).error, L"");
    EXPECT_NE(ParseCommandLine({L"--speed"}).error, L"");
}

} // namespace
