// A sale whose registration lost its way is held by the gateway once, however
// the cashier goes on.

#include "SimulatedGateway.h"

#include <algorithm>

using namespace svcgate;
using namespace svcgate::test;
using tools::LinkFault;

namespace {

class ExactlyOnce : public SimulatedGateway {
protected:
    void SetUp() override {
        ForgetPendingRegistration(L"77");
        Start();
        client.SetSrvResponseTimeout(1000);
        ASSERT_EQ(client.GetLastIds(), 0);
        ASSERT_EQ(client.GetUIProviders(), 0);
    }

    // As the driver sells: the check, then the registration.
    std::int32_t Sell(TDevice& device, const std::wstring& account) {
        std::int32_t result = device.AuthorizePayment(1015000, 1000000, L"1001", account, {},
                                                      pmCheck, status, paymentID, uid);
        if (result == 0)
            result = device.AuthorizePayment(1015000, 1000000, L"1001", account, {}, pmOffLine,
                                             status, paymentID, uid);
        return result;
    }

    void LoseNext(const wchar_t* operation, LinkFault fault) {
        simulator->StrikeNext(operation, fault, 2500);
    }

    long Held(const std::wstring& account) const {
        const std::vector<tools::HeldPayment> ledger = simulator->Ledger();
        return std::count_if(ledger.begin(), ledger.end(),
                             [&](const tools::HeldPayment& p) { return p.account == account; });
    }
};

struct Loss {
    const char* name;
    LinkFault fault;
    std::int32_t code;
};

class LostRegistration : public ExactlyOnce, public testing::WithParamInterface<Loss> {};

TEST_P(LostRegistration, TheIdenticalRetryIsHeldOnceUnderTheSameNumbers) {
    LoseNext(L"addOfflinePayment", GetParam().fault);
    EXPECT_EQ(Sell(client, L"9001"), GetParam().code);
    ASSERT_EQ(Sell(client, L"9001"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(Held(L"9001"), 1);
    EXPECT_EQ(simulator->Ledger().front().receipt, 1);
    EXPECT_EQ(client.TransactNum(), 2);
    EXPECT_EQ(client.ReceiptNum(), 2);
}

INSTANTIATE_TEST_SUITE_P(Payments, LostRegistration,
                         testing::Values(Loss{"NeverReceived", LinkFault::LostRequest, 1001},
                                         Loss{"AnswerDropped", LinkFault::Dropped, 1001},
                                         Loss{"AnswerCut", LinkFault::Cut, 1001},
                                         Loss{"AnswerLate", LinkFault::Late, 1007}),
                         [](const testing::TestParamInfo<Loss>& info) { return info.param.name; });

TEST_F(ExactlyOnce, AnotherSaleAfterALostAnswerTakesTheNextNumber) {
    LoseNext(L"addOfflinePayment", LinkFault::Dropped);
    EXPECT_NE(Sell(client, L"9001"), 0);
    ASSERT_EQ(Sell(client, L"9002"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 2);
    EXPECT_EQ(Held(L"9001"), 1);
    EXPECT_EQ(Held(L"9002"), 1);
}

TEST_F(ExactlyOnce, ANewDriverRetriesWhatTheOldOneLeftPending) {
    LoseNext(L"addOfflinePayment", LinkFault::Cut);
    EXPECT_NE(Sell(client, L"Иванов%1"), 0);
    SimulatorClient restarted;
    Connect(restarted);
    ASSERT_EQ(restarted.GetLastIds(), 0);
    ASSERT_EQ(restarted.GetUIProviders(), 0);
    ASSERT_EQ(Sell(restarted, L"Иванов%1"), 0) << restarted.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(uid, L"");
    EXPECT_EQ(Held(L"Иванов%1"), 1);
    EXPECT_EQ(restarted.TransactNum(), 2);
}

TEST_F(ExactlyOnce, AnUnansweredStatusQuestionRegistersNothing) {
    LoseNext(L"addOfflinePayment", LinkFault::LostRequest);
    EXPECT_NE(Sell(client, L"9001"), 0);
    LoseNext(L"getPaymentStatus", LinkFault::LostRequest);
    EXPECT_EQ(Sell(client, L"9002"), 1001);
    EXPECT_EQ(Held(L"9002"), 0);
    ASSERT_EQ(Sell(client, L"9002"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(Held(L"9001"), 0);
}

} // namespace
