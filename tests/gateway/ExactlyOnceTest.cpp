// A sale whose registration lost its way is held by the gateway once, however
// the cashier goes on.

#include "SimulatedGateway.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Owners.h"
#include "common/uCommonUtils.Folders.h"

#include <algorithm>

using namespace svcgate;
using namespace svcgate::test;
using tools::LinkFault;

namespace {

class ExactlyOnce : public SimulatedGateway {
protected:
    void SetUp() override {
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

    // Another driver on the terminal, or this host's after a restart, enabled.
    void Enable(SimulatorClient& device) {
        Connect(device);
        ASSERT_EQ(device.GetLastIds(), 0);
        ASSERT_EQ(device.GetUIProviders(), 0);
    }

    // The sale of 9001 held once under 1, resold by `desk` first when `resell`,
    // and then another sale of the desk held once under 2.
    void ExpectEachHeldOnce(TDevice& desk, bool resell) {
        if (resell) {
            ASSERT_EQ(Sell(desk, L"9001"), 0) << desk.LastResultDescription();
            EXPECT_EQ(paymentID, 1);
        }
        ASSERT_EQ(Sell(desk, L"9002"), 0) << desk.LastResultDescription();
        EXPECT_EQ(paymentID, 2);
        EXPECT_EQ(Held(L"9001"), 1);
        EXPECT_EQ(Held(L"9002"), 1);
    }

    // The records' sendings as long past as any wait for an answer.
    static void AgePending() {
        TerminalPayments book = LoadTerminalPayments(L"77");
        for (PendingRegistration& pending : book.Pending)
            pending.Written -= 2LL * MaxResponseTimeoutMs * FileTimeTicksPerMs;
        StoreTerminalPayments(L"77", book);
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

// The host was told "failed" and never had the payment's number: the cashier
// learns of it before the desk sells on, once, and so does the event log.
TEST_F(ExactlyOnce, AHeldPendingPaymentIsToldOnceBeforeTheDeskSellsOn) {
    std::vector<std::wstring> told;
    client.SetEventLog([&](const std::wstring& text) { told.push_back(text); });
    LoseNext(L"addOfflinePayment", LinkFault::Dropped);
    EXPECT_NE(Sell(client, L"9001234567"), 0);
    EXPECT_EQ(Sell(client, L"9002"), 1001);
    EXPECT_NE(client.LastResultDescription().find(L"№ 1 "), std::wstring::npos);
    EXPECT_NE(client.LastResultDescription().find(L"******4567"), std::wstring::npos);
    EXPECT_EQ(told, std::vector<std::wstring>{client.LastResultDescription()});
    ASSERT_EQ(Sell(client, L"9002"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 2);
    EXPECT_EQ(Held(L"9001234567"), 1);
    EXPECT_EQ(told.size(), 1u);
}

// The gateway may hold what it took from the first sending, whatever it says to
// a resend (a password changed meanwhile, say): the number stays its sale's.
TEST_F(ExactlyOnce, ARefusedResendLeavesItsSalePending) {
    LoseNext(L"addOfflinePayment", LinkFault::Dropped);
    EXPECT_NE(Sell(client, L"9001"), 0);
    simulator->AnswerNext(L"addOfflinePayment", 4, false);
    EXPECT_EQ(Sell(client, L"9001"), 1001);
    EXPECT_EQ(Sell(client, L"9002"), 1001);
    EXPECT_NE(client.LastResultDescription().find(L"№ 1 "), std::wstring::npos);
    ExpectEachHeldOnce(client, false);
}

// Another desk on the terminal learned first that the gateway holds it; the desk
// that sent it, not told, retries it: that retry is this payment, not another.
TEST_F(ExactlyOnce, APaymentToldAtAnotherDeskIsStillItsOwnRetrysSale) {
    LoseNext(L"addOfflinePayment", LinkFault::Dropped);
    EXPECT_NE(Sell(client, L"9001"), 0);
    SimulatorClient other;
    Enable(other);
    EXPECT_EQ(Sell(other, L"9002"), 1001);
    EXPECT_EQ(Sell(client, L"9003"), 0) << "told twice: " << client.LastResultDescription();
    ASSERT_EQ(Sell(client, L"9001"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(Held(L"9001"), 1);
}

// Both take the gateway's last number at "Enable"; the second, another sale,
// must not go out under the first one's number and be taken for sold.
TEST_F(ExactlyOnce, TwoDriversOnOneTerminalNeverShareANumber) {
    SimulatorClient second;
    Enable(second);
    second.SetSrvResponseTimeout(1000);
    ASSERT_EQ(Sell(client, L"9001"), 0) << client.LastResultDescription();
    ASSERT_EQ(Sell(second, L"9002"), 0) << second.LastResultDescription();
    EXPECT_EQ(paymentID, 2);
    EXPECT_EQ(Held(L"9001"), 1);
    EXPECT_EQ(Held(L"9002"), 1);
    // The same purchase again, while the desk that sold the first lives, is a sale of its own.
    ASSERT_EQ(Sell(second, L"9001"), 0) << second.LastResultDescription();
    EXPECT_EQ(paymentID, 3);
    EXPECT_EQ(Held(L"9001"), 2);
}

TEST_F(ExactlyOnce, ANewDriverRetriesWhatTheOldOneLeftPending) {
    LoseNext(L"addOfflinePayment", LinkFault::Cut);
    EXPECT_NE(Sell(client, L"Иванов%1"), 0);
    SimulatorClient restarted;
    Enable(restarted);
    ASSERT_EQ(Sell(restarted, L"Иванов%1"), 0) << restarted.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(uid, L"");
    EXPECT_EQ(Held(L"Иванов%1"), 1);
    EXPECT_EQ(restarted.TransactNum(), 2);
}

struct StatusQuestion {
    const char* name;
    LinkFault fault;
};

class UnsettledStatus : public ExactlyOnce, public testing::WithParamInterface<StatusQuestion> {};

// A record whose status cannot be learned, or whose "no such payment" came so
// soon after the sending that the gateway may still be taking it, keeps no
// other sale waiting, and is still there for its own retry, which goes out
// under its own numbers although the other sale took the next ones meanwhile.
TEST_P(UnsettledStatus, KeepsNoSaleWaitingAndTheNumberToItsSale) {
    client.SetSrvResponseTimeout(60000);
    LoseNext(L"addOfflinePayment", LinkFault::LostRequest);
    EXPECT_NE(Sell(client, L"9001"), 0);
    LoseNext(L"getPaymentStatus", GetParam().fault);
    ASSERT_EQ(Sell(client, L"9002"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 2);
    ASSERT_EQ(Sell(client, L"9001"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(Held(L"9001"), 1);
    const std::vector<tools::HeldPayment> ledger = simulator->Ledger();
    ASSERT_EQ(ledger.size(), 2u);
    EXPECT_EQ(ledger[0].receipt, 2);
    EXPECT_EQ(ledger[1].id, 1);
    EXPECT_EQ(ledger[1].receipt, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Payments, UnsettledStatus,
    testing::Values(StatusQuestion{"Unanswered", LinkFault::LostRequest},
                    StatusQuestion{"NoSuchPaymentSoonAfterTheSending", LinkFault::None}),
    [](const testing::TestParamInfo<StatusQuestion>& info) { return info.param.name; });

// A record that cannot be removed once the gateway said it holds nothing under
// its number (the file is held by another program from that answer on): the
// file cannot be written either, so no sale goes out until it can, and then the
// number still belongs to the record's own sale.
TEST_F(ExactlyOnce, ARecordThatCannotBeRemovedKeepsItsNumberForItsOwnSale) {
    LoseNext(L"addOfflinePayment", LinkFault::LostRequest);
    EXPECT_NE(Sell(client, L"9001"), 0);
    const std::wstring file = TerminalPaymentsFile(L"77");
    unique_handle held;
    server.SetResponder([&](const tools::ReceivedRequest& request) {
        tools::SimulatedAnswer answer = simulator->Answer(request);
        if (answer.operation == L"getPaymentStatus" && !held)
            held.reset(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        return answer.answer;
    });
    AgePending();
    EXPECT_NE(Sell(client, L"9002"), 0);
    ASSERT_TRUE(held);
    held.reset();
    EXPECT_TRUE(simulator->Ledger().empty());
    SimulatorClient restarted;
    Enable(restarted);
    ExpectEachHeldOnce(restarted, true);
}

// Whatever throws once the registration is out (here the host's debug log, told
// that the answer's dump was skipped), the sale stays pending: its retry is its
// own, and no other sale takes its number.
TEST_F(ExactlyOnce, AnExceptionAfterTheSendingLeavesTheSalePending) {
    const std::wstring dump = GetDataFolder() + L"Response.xml";
    unique_handle held(CreateFileW(dump.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    int answers = 0;
    client.SetDebugMode(true);
    client.SetDebugLog([&](std::wstring_view, std::wstring_view) {
        if (++answers == 2)
            throw Exception(L"the host's log is gone");
    });
    EXPECT_THROW(Sell(client, L"9001"), Exception);
    EXPECT_EQ(answers, 2);
    held.reset();
    client.SetDebugMode(false);
    ExpectEachHeldOnce(client, true);
}

// Another host on this machine: this test program, running the sale below in a
// process of its own against the gateway named in its environment.
constexpr const wchar_t* SaleUrlVariable = L"SVCGATE_SALE_URL";
// The account it sells; set when the host is killed with the answer in hand.
constexpr const wchar_t* SaleAccountVariable = L"SVCGATE_SALE_ACCOUNT";

std::wstring Environment(const wchar_t* name) {
    std::wstring value(1024, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), DWORD(value.size())));
    return value;
}

class OtherHost {
public:
    explicit OtherHost(const std::wstring& url, const std::wstring& killedAfter = L"") {
        SetEnvironmentVariableW(SaleUrlVariable, url.c_str());
        SetEnvironmentVariableW(SaleAccountVariable,
                                killedAfter.empty() ? nullptr : killedAfter.c_str());
        std::wstring line = L"\"" + ThisModulePath() +
                            L"\" --gtest_also_run_disabled_tests "
                            L"--gtest_filter=DISABLED_OtherHost.SellsTheSale";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &created);
        SetEnvironmentVariableW(SaleUrlVariable, nullptr);
        SetEnvironmentVariableW(SaleAccountVariable, nullptr);
        EXPECT_TRUE(started);
        process_.reset(created.hProcess);
        const unique_handle thread(created.hThread);
    }
    DWORD Ended() {
        WaitForSingleObject(process_.get(), INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    bool Running() { return WaitForSingleObject(process_.get(), 50) == WAIT_TIMEOUT; }
    void Kill() {
        TerminateProcess(process_.get(), 9);
        Ended();
    }

private:
    unique_handle process_;
};

// The other host's sale, from its own "Enable" on; it waits for the gateway as
// long as the gateway may hold the answer.
TEST(DISABLED_OtherHost, SellsTheSale) {
    const std::wstring killedAfter = Environment(SaleAccountVariable);
    SimulatorClient host;
    host.SetServer1URL(Environment(SaleUrlVariable));
    host.SetLogin(L"dealer");
    host.SetPassword(L"secret");
    host.SetTerminalID(L"77");
    host.SetSrvResponseTimeout(600000);
    ASSERT_EQ(host.GetLastIds(), 0);
    ASSERT_EQ(host.GetUIProviders(), 0);
    TPaymentStatus status = psError;
    std::int32_t id = 0;
    std::wstring uid;
    std::int32_t result = 0;
    for (const TPaymentMode mode : {pmCheck, pmOffLine})
        if (result == 0)
            result = host.AuthorizePayment(1015000, 1000000, L"1001",
                                           killedAfter.empty() ? L"9001" : killedAfter, {}, mode,
                                           status, id, uid);
    // Its driver hears from the host no more, nor is it let go.
    if (!killedAfter.empty())
        TerminateProcess(GetCurrentProcess(), DWORD(result));
    ASSERT_EQ(result, 0);
}

struct OtherProcess {
    const char* name;
    // Killed while the gateway holds the registration's answer, and this host
    // then started anew; else its sale ended before this host's.
    bool killed;
};

class AnotherProcess : public ExactlyOnce, public testing::WithParamInterface<OtherProcess> {};

// Nothing but the shared file tells this host what the other one sent: a
// killed host's identical retry is its held sale, and no other sale takes its number.
TEST_P(AnotherProcess, NeverHoldsASaleTwiceOrSharesANumber) {
    if (GetParam().killed)
        simulator->StrikeNext(L"addOfflinePayment", LinkFault::Late, 600000);
    OtherHost other(server.Url());
    if (GetParam().killed) {
        while (Held(L"9001") == 0 && other.Running()) {
        }
        ASSERT_EQ(Held(L"9001"), 1);
        other.Kill();
    } else {
        ASSERT_EQ(other.Ended(), 0u);
    }
    SimulatorClient restarted;
    Enable(restarted);
    ExpectEachHeldOnce(GetParam().killed ? static_cast<TDevice&>(restarted) : client,
                       GetParam().killed);
}

struct KilledHost {
    const char* name;
    // The answer the host was killed with: a held payment told, or its own sale sold.
    bool sold;
};

class AnswerInHand : public ExactlyOnce, public testing::WithParamInterface<KilledHost> {};

// A host killed before it had the answer learned nothing: the next desk tells
// the held payment, and the sale's identical retry is that payment.
TEST_P(AnswerInHand, IsToldAgainAndItsRetryIsThatPayment) {
    if (!GetParam().sold) {
        LoseNext(L"addOfflinePayment", LinkFault::Dropped);
        EXPECT_NE(Sell(client, L"9001"), 0);
    }
    OtherHost other(server.Url(), GetParam().sold ? L"9001" : L"9002");
    EXPECT_EQ(other.Ended(), GetParam().sold ? 0u : 1001u);
    EXPECT_EQ(Sell(client, L"9003"), 1001);
    EXPECT_NE(client.LastResultDescription().find(L"№ 1 "), std::wstring::npos);
    ASSERT_EQ(Sell(client, L"9001"), 0) << client.LastResultDescription();
    EXPECT_EQ(paymentID, 1);
    EXPECT_EQ(Held(L"9001"), 1);
    ASSERT_EQ(Sell(client, L"9003"), 0) << client.LastResultDescription();
}

INSTANTIATE_TEST_SUITE_P(Hosts, AnswerInHand,
                         testing::Values(KilledHost{"HeldPaymentTold", false},
                                         KilledHost{"SaleSold", true}),
                         [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Hosts, AnotherProcess,
                         testing::Values(OtherProcess{"KilledWhileTheGatewayHoldsTheAnswer", true},
                                         OtherProcess{"SoldFirst", false}),
                         [](const auto& info) { return info.param.name; });

} // namespace
