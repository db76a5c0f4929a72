#include "gateway-answers/GatewayAnswers.h"
#include "GatewayClient.h"

#include "../support/Files.h"
#include "../support/TokenDoubles.h"

#include "common/Text.h"
#include "gateway/CacheFiles.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uCommonUtils.XmlPaths.h"

#include <functional>

using namespace svcgate;
using namespace svcgate::test;

namespace {

// A client brought into service against a small catalogue: the provider "100"
// in roubles, and the test provider.
class Operations : public Gateway {
protected:
    void SetUp() override {
        Gateway::SetUp();
        ClearCacheFiles();
        for (const std::string& answer :
             {LastIds(40, 16), ConfigId("cfg"), Agents({"cur-id=\"978\""}),
              ResultCodes({{"1", "x"}}), UIProviders({"100"}), Commissions("100", "p"),
              Profiles("p", "1")})
            server.Queue({answer});
        ASSERT_EQ(client.Enable(false), 0) << client.LastResultDescription();
        sent = server.Requests().size();
    }

    // The terminal's records still without a verdict: a sold one waits only for
    // its host's next call.
    static std::vector<PendingRegistration> Unsettled() {
        std::vector<PendingRegistration> records = LoadTerminalPayments(L"77").Pending;
        std::erase_if(records, [](const PendingRegistration& p) {
            return p.State == PendingRegistration::Held::Sold;
        });
        return records;
    }

    // The payment element of the last request.
    XmlDocument LastRequest() {
        XmlDocument doc;
        const std::string body = server.Requests().back().body;
        doc.LoadXml(Utf8ToWide(body.substr(body.find('\n') + 1)));
        return doc;
    }

    std::int32_t Authorize(TPaymentMode mode, const std::string& answer,
                           const std::wstring& provider = L"100",
                           const std::vector<std::wstring>& extras = {}) {
        server.Queue({answer});
        return client.AuthorizePayment(1005000, 995000, provider, L"9001234567", extras, mode,
                                       status, paymentID, transactionID);
    }

    size_t sent = 0;
    TPaymentStatus status = psCompleted;
    std::int32_t paymentID = 0;
    std::wstring transactionID;
};

TEST_F(Operations, ACheckThenARegistrationShareTheNumbersOnlyTheSecondConsumes) {
    ASSERT_EQ(Authorize(pmCheck, Payment("checkPaymentRequisites", "result=\"0\" status=\"3\"")),
              0);
    EXPECT_EQ(paymentID, 41);
    EXPECT_EQ(client.TransactNum(), 41);
    const XmlDocument check = LastRequest();
    const std::wstring checked = L"//providers/checkPaymentRequisites/payment";
    EXPECT_EQ(ReadXmlValue(check, checked, L"id", L""), L"41");
    EXPECT_EQ(ReadXmlValue(check, checked + L"/receipt", L"id", L""), L"17");
    ASSERT_EQ(Authorize(pmOffLine,
                        Payment("addOfflinePayment", "result=\"0\" status=\"1\" uid=\"G-77\"")),
              0);
    EXPECT_EQ(paymentID, 41);
    EXPECT_EQ(status, psExecuting);
    EXPECT_EQ(transactionID, L"G-77");
    EXPECT_EQ(client.TransactNum(), 42);
    EXPECT_EQ(client.ReceiptNum(), 18);
    const XmlDocument request = LastRequest();
    const std::wstring payment = L"//providers/addOfflinePayment/payment";
    EXPECT_EQ(ReadXmlValue(request, payment, L"id", L""), L"41");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/from", L"currency", L""), L"978");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/from", L"amount", L""), L"100.5");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/to", L"amount", L""), L"99.5");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/to", L"currency", L""), L"643");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/to", L"account", L""), L"9001234567");
    EXPECT_EQ(ReadXmlValue(request, payment + L"/receipt", L"id", L""), L"17");
    EXPECT_EQ(request.SelectNodes(payment + L"/extras").size(), 0u);
}

TEST_F(Operations, ARefusedRegistrationKeepsTheNumbers) {
    EXPECT_EQ(Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"241\" status=\"0\"")),
              1001);
    EXPECT_EQ(client.LastResultDescription(), L"Сумма слишком мала");
    EXPECT_EQ(client.TransactNum(), 41);
    EXPECT_EQ(client.ReceiptNum(), 17);
    EXPECT_EQ(Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"0\""), L"404"), 1001);
    EXPECT_EQ(server.Requests().size(), sent + 1);
}

// A 215 to a number's first sending may be the platform resending it on a
// kept-alive connection, or not: the sale is not known, its number stays
// spoken for, and only its identical retry, answered 215 again, is the sale.
TEST_F(Operations, AFreshDuplicateIsNotKnownAndOnlyItsRetryIsTheSale) {
    const std::string duplicate = Payment("addOfflinePayment", "result=\"215\" status=\"1\"");
    EXPECT_EQ(Authorize(pmOffLine, duplicate), 1001);
    EXPECT_NE(client.LastResultDescription().find(L"№ 41"), std::wstring::npos);
    EXPECT_EQ(Unsettled().size(), 1u);
    EXPECT_EQ(client.TransactNum(), 42);
    ASSERT_EQ(Authorize(pmOffLine, duplicate), 0) << WideToUtf8(client.LastResultDescription());
    EXPECT_EQ(paymentID, 41);
    EXPECT_EQ(Unsettled().size(), 0u);
}

struct RegistrationAnswer {
    const char* name;
    std::string answer;
    std::int32_t result;
    // Whether the sale is left without a verdict, its number spoken for.
    bool pending;
};

class Registration : public Operations, public testing::WithParamInterface<RegistrationAnswer> {};

// Only a code that says the payment was not taken frees the number; every
// other answer leaves the sale pending, never refused.
TEST_P(Registration, IsRefusedOnlyByACodeThatSaysSo) {
    EXPECT_EQ(Authorize(pmOffLine, GetParam().answer), GetParam().result);
    EXPECT_EQ(Unsettled().size(), GetParam().pending ? 1u : 0u);
    EXPECT_EQ(client.TransactNum(), GetParam().pending || GetParam().result == 0 ? 42 : 41);
}

RegistrationAnswer PaymentCode(const char* name, int code, bool pending) {
    return {name, Payment("addOfflinePayment", "result=\"" + std::to_string(code) + "\""), 1001,
            pending};
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Registration,
    testing::Values(
        RegistrationAnswer{"Taken", Payment("addOfflinePayment", "result=\"0\""), 0, false},
        PaymentCode("AmountTooSmall", 241, false), PaymentCode("BadAccount", 4, false),
        RegistrationAnswer{"BadPassword", GatewayAnswer("providers", "addOfflinePayment", "150"),
                           1001, false},
        PaymentCode("StateNotDetermined", 86, true), PaymentCode("NotFinished", 90, true),
        PaymentCode("GatewayError", 23, true), PaymentCode("NotSaved", 216, true),
        PaymentCode("QueueExpired", 15, true), PaymentCode("ProviderTimeout", 9, true),
        PaymentCode("UnknownCode", 999, true),
        RegistrationAnswer{"NoResult", Payment("addOfflinePayment", "status=\"1\""), 1014, true}),
    [](const auto& info) { return info.param.name; });

// A sale left pending at 41 by an answer that says nothing of its outcome.
class PendingSale : public Operations {
protected:
    void SetUp() override {
        Operations::SetUp();
        ASSERT_EQ(Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"86\"")), 1001);
    }

    // A check of a sale, after the gateway answered the question about 41 with `status`.
    std::int32_t CheckAfter(const std::string& status, Currency from, Currency to,
                            const std::vector<std::wstring>& extras) {
        server.Queue({status});
        server.Queue({Payment("checkPaymentRequisites", "result=\"0\" status=\"3\"")});
        return client.AuthorizePayment(from, to, L"100", L"9001234567", extras, pmCheck, status_,
                                       paymentID, transactionID);
    }
    TPaymentStatus status_ = psError;
};

struct OtherSale {
    const char* name;
    Currency from, to;
    std::vector<std::wstring> extras;
};

class AnotherSale : public PendingSale, public testing::WithParamInterface<OtherSale> {};

// Whatever differs from the pending sale makes another sale: it takes the next
// number, and a status that cannot be learned keeps it waiting for nothing.
TEST_P(AnotherSale, TakesTheNextNumberPastAnUnlearnableStatus) {
    for (const std::string& status : {Payment("getPaymentStatus", "result=\"203\""),
                                      Payment("getPaymentStatus", "status=\"2\""),
                                      GatewayAnswer("providers", "getPaymentStatus", "0")}) {
        ASSERT_EQ(CheckAfter(status, GetParam().from, GetParam().to, GetParam().extras), 0)
            << WideToUtf8(client.LastResultDescription());
        EXPECT_EQ(paymentID, 42);
        EXPECT_EQ(OperationOf(server.Requests().back()), "checkPaymentRequisites");
    }
    EXPECT_EQ(Unsettled().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Requisites, AnotherSale,
                         testing::Values(OtherSale{"AmountPaid", 1006000, 995000, {}},
                                         OtherSale{"AmountCredited", 1005000, 996000, {}},
                                         OtherSale{"Extras", 1005000, 995000, {L"a=1"}}),
                         [](const auto& info) { return info.param.name; });

struct HeldStatus {
    const char* name;
    const char* status;
    const wchar_t* state;
};

class HeldPending : public PendingSale, public testing::WithParamInterface<HeldStatus> {};

// A status the gateway does not define is never told as completed.
TEST_P(HeldPending, IsToldOnceInItsOwnState) {
    std::vector<std::wstring> told;
    client.SetEventLog([&](const std::wstring& text) { told.push_back(text); });
    const std::string held = Payment("getPaymentStatus", std::string("result=\"0\" status=\"") +
                                                             GetParam().status + "\"");
    EXPECT_EQ(CheckAfter(held, 1006000, 995000, {}), 1001);
    const std::wstring text = client.LastResultDescription();
    EXPECT_NE(text.find(L"№ 41"), std::wstring::npos) << WideToUtf8(text);
    EXPECT_NE(text.find(L"******4567"), std::wstring::npos) << WideToUtf8(text);
    EXPECT_NE(text.find(GetParam().state), std::wstring::npos) << WideToUtf8(text);
    EXPECT_EQ(told, std::vector<std::wstring>{text});
    server.Queue({Payment("checkPaymentRequisites", "result=\"0\"")});
    EXPECT_EQ(client.AuthorizePayment(1006000, 995000, L"100", L"9001234567", {}, pmCheck, status_,
                                      paymentID, transactionID),
              0);
    EXPECT_EQ(told.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(States, HeldPending,
                         testing::Values(HeldStatus{"Completed", "2", L"Платеж проведен"},
                                         HeldStatus{"Undefined", "4", L"состояние 4"}),
                         [](const auto& info) { return info.param.name; });

// Another address of the same gateway neither resolves nor resends the record:
// the identical sale is refused there, naming it; other sales go on.
TEST_F(PendingSale, IsKeptForItsOwnAddress) {
    tools::GatewayServer other;
    client.SetServer1URL(other.Url());
    EXPECT_EQ(client.AuthorizePayment(1005000, 995000, L"100", L"9001234567", {}, pmCheck, status_,
                                      paymentID, transactionID),
              1001);
    EXPECT_NE(client.LastResultDescription().find(L"№ 41"), std::wstring::npos);
    EXPECT_TRUE(other.Requests().empty());
    other.Queue({Payment("addOfflinePayment", "result=\"0\"")});
    EXPECT_EQ(client.AuthorizePayment(1005000, 995000, L"100", L"9001234568", {}, pmOffLine,
                                      status_, paymentID, transactionID),
              0);
    EXPECT_EQ(paymentID, 42);
    ASSERT_EQ(Unsettled().size(), 1u);
    EXPECT_EQ(Unsettled()[0].PaymentID, 41);
}

// Nothing of the payer's reaches the file every user of the machine may read.
TEST_F(Operations, APendingFileHoldsNoAccountNorExtras) {
    Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"86\""), L"100",
              {L"passport=4509123456"});
    const std::string file = ReadFileBytes(TerminalPaymentsFile(L"77"));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.find("9001234567"), std::string::npos) << file;
    EXPECT_EQ(file.find("4509123456"), std::string::npos) << file;
}

// A file that is there but cannot be read may speak of this very sale: nothing
// is sent until support has looked at it.
TEST_F(Operations, AnUnreadablePendingFileStopsTheTerminalsSales) {
    for (const std::vector<std::wstring>& content :
         {std::vector<std::wstring>{L"garbage"},
          {L"svcgate pending registration 1", L"id=41"},
          {L"svcgate terminal payments 2", L"pending=x 41"}}) {
        WriteTextLines(TerminalPaymentsFile(L"77"), content);
        EXPECT_EQ(client.AuthorizePayment(1005000, 995000, L"100", L"9001234567", {}, pmOffLine,
                                          status, paymentID, transactionID),
                  1001);
        EXPECT_NE(client.LastResultDescription().find(TerminalPaymentsFile(L"77")),
                  std::wstring::npos);
        EXPECT_EQ(server.Requests().size(), sent) << WideToUtf8(content.back());
    }
}

// The last number of the range goes out; none is made up after it.
TEST_F(Operations, TheNumberingEndsAtTheLastNumberOfTheRange) {
    client.SetTransactNum(INT32_MAX - 1);
    ASSERT_EQ(Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"0\"")), 0);
    EXPECT_EQ(paymentID, INT32_MAX - 1);
    EXPECT_EQ(Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"0\"")), 1001);
    EXPECT_EQ(client.LastResultDescription(), L"Нумерация платежей терминала исчерпана");
    EXPECT_EQ(server.Requests().size(), sent + 1);
}

struct LastPayment {
    const char* name;
    std::string attributes;
    std::int32_t result;
    std::int32_t next;
    const wchar_t* text;
};

class Numbering : public Gateway, public testing::WithParamInterface<LastPayment> {};

TEST_P(Numbering, FollowsTheGatewaysLastPaymentOrFailsClearly) {
    server.Queue({GatewayAnswer("terminals", "getLastIds", "0",
                                "<last-payment " + GetParam().attributes + "/>")});
    EXPECT_EQ(client.GetLastIds(), GetParam().result);
    EXPECT_EQ(client.TransactNum(), GetParam().next);
    EXPECT_EQ(client.LastResultDescription(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Payments, Numbering,
    testing::Values(LastPayment{"Given", "id=\"40\" receipt-number=\"16\"", 0, 41, L"ОК"},
                    LastPayment{"NoId", "receipt-number=\"16\"", 1001, -1,
                                L"Ошибка разбора ответа.\r\nid"},
                    LastPayment{"NoReceipt", "id=\"40\"", 1001, -1,
                                L"Ошибка разбора ответа.\r\nreceipt-number"},
                    LastPayment{"NotANumber", "id=\"4x\" receipt-number=\"16\"", 1001, -1,
                                L"Ошибка разбора ответа.\r\n4x"},
                    LastPayment{"AtTheEndOfTheRange", "id=\"40\" receipt-number=\"2147483647\"",
                                1001, -1, L"Нумерация платежей терминала исчерпана"}),
    [](const testing::TestParamInfo<LastPayment>& info) { return info.param.name; });

// A dump kept from its file: held open by another program, or a name the
// folder gives to something that cannot be replaced.
struct BlockedDump {
    const char* name;
    const wchar_t* file;
    bool folder;
};

class BlockedDumps : public Operations, public testing::WithParamInterface<BlockedDump> {};

// The gateway took the payment: its numbers are consumed as without debug mode,
// the dump is skipped with a line for the log, and a held file is not waited for.
TEST_P(BlockedDumps, LeaveTheRegistrationAsItIs) {
    const std::wstring path = GetDataFolder() + GetParam().file;
    unique_handle held;
    // Gone again whatever the exchange does.
    unique_any<resource_traits<const wchar_t*, RemoveDirectoryW>> folder;
    if (GetParam().folder) {
        DeleteFileW(path.c_str());
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        folder.reset(path.c_str());
    } else {
        held.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
    }
    std::vector<std::wstring> lines;
    client.SetDebugMode(true);
    client.SetDebugLog([&](std::wstring_view name, std::wstring_view text) {
        lines.push_back(std::wstring(name) + L" " + std::wstring(text));
    });
    const DWORD start = GetTickCount();
    const std::int32_t result =
        Authorize(pmOffLine, Payment("addOfflinePayment", "result=\"0\" status=\"1\" uid=\"G-7\""));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(transactionID, L"G-7");
    EXPECT_EQ(client.TransactNum(), 42);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with(L"Dump skipped " + std::wstring(GetParam().file)))
        << WideToUtf8(lines[0]);
    EXPECT_LT(elapsed, 3000u);
}

INSTANTIATE_TEST_SUITE_P(Dumps, BlockedDumps,
                         testing::Values(BlockedDump{"RequestHeld", L"Request.xml", false},
                                         BlockedDump{"ResponseHeld", L"Response.xml", false},
                                         BlockedDump{"ResponseAFolder", L"Response.xml", true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Operations, ExtrasGoInOrderAndTheTestProviderAddsItsOwn) {
    Authorize(pmCheck, Payment("checkPaymentRequisites", "result=\"0\""), L"11111",
              {L"a=1", L"b=x=y"});
    const std::string body = server.Requests().back().body;
    EXPECT_NE(body.find("<extras a=\"1\" b=\"x=y\"/><extras error=\"0\" delay=\"1\"/></payment>"),
              std::string::npos)
        << body;
}

struct StatusCase {
    const char* name;
    std::string payment;
    std::int32_t code;
    TPaymentStatus status;
    bool fatal;
};

class PaymentStatus : public Operations, public testing::WithParamInterface<StatusCase> {};

TEST_P(PaymentStatus, IsReadFromThePaymentElement) {
    const std::string inner =
        GetParam().payment.empty() ? "" : "<payment " + GetParam().payment + "/>";
    server.Queue({GatewayAnswer("providers", "getPaymentStatus", "0", inner)});
    std::int32_t code = 99;
    std::wstring text = L"old";
    TPaymentStatus status = psAutorized;
    bool fatal = true;
    ASSERT_EQ(client.GetPaymentStatus(41, code, text, status, fatal), 0);
    EXPECT_EQ(code, GetParam().code);
    EXPECT_EQ(status, GetParam().status);
    EXPECT_EQ(fatal, GetParam().fatal);
    EXPECT_EQ(text.empty(), GetParam().code == -1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PaymentStatus,
    testing::Values(StatusCase{"Completed", "result=\"0\" status=\"2\" fatal=\"true\"", 0,
                               psCompleted, true},
                    StatusCase{"FatalAsNumber", "result=\"86\" status=\"1\" fatal=\"0\"", 86,
                               psExecuting, false},
                    StatusCase{"NoPayment", "", -1, psError, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(Operations, ACancellationNamesWhatItIsGiven) {
    TPaymentStatus status = psError;
    std::wstring cancel;
    server.Queue({Payment("cancelPayment", "result=\"0\" status=\"2\" uid2=\"C-1\"")});
    ASSERT_EQ(client.CancelPayment(41, L"G-77", status, cancel), 0);
    EXPECT_EQ(cancel, L"C-1");
    EXPECT_EQ(status, psCompleted);
    EXPECT_NE(server.Requests().back().body.find("<payment uid=\"G-77\" id=\"41\"/>"),
              std::string::npos);
    server.Queue({Payment("cancelPayment", "result=\"0\"")});
    client.CancelPayment(-1, L"", status, cancel);
    EXPECT_NE(server.Requests().back().body.find("<cancelPayment><payment/></cancelPayment>"),
              std::string::npos);
}

TEST_F(Operations, TheLastAgentElementIsTheAnswer) {
    TAgentInfo info;
    info.Phone = L"kept?";
    server.Queue({Agents({"name=\"A\" phone=\"1\" inn=\"7701\"", "name=\"B\" cur-id=\"643\""})});
    ASSERT_EQ(client.GetAgentInfo(info), 0);
    EXPECT_EQ(info.Name, L"B");
    EXPECT_EQ(info.Phone, L"");
    EXPECT_EQ(info.CurID, L"643");
    server.Queue({GatewayAnswer("agents", "getAgentInfo")});
    EXPECT_EQ(client.GetAgentInfo(info), 1001);
    EXPECT_EQ(info.Name, L"B");
}

TEST_F(Operations, BalancesReadEitherDecimalMark) {
    Currency balance = 1, tree = 1, overdraft = 1;
    server.Queue({GatewayAnswer("agents", "getBalance", "0",
                                "<balance>1234,5</balance><tree-balance>1234.5</tree-balance>")});
    ASSERT_EQ(client.GetBalance(balance, tree, overdraft), 0);
    EXPECT_EQ(balance, 12345000);
    EXPECT_EQ(tree, 12345000);
    EXPECT_EQ(overdraft, 0);
}

// An amount that does not parse is an answer the client cannot use, said in the
// gateway client's own words, not a platform error.
TEST_F(Operations, AnAmountThatDoesNotParseIsAnUnreadableAnswer) {
    Currency balance = 1, tree = 1, overdraft = 1;
    const std::vector<std::pair<std::string, std::function<std::int32_t()>>> cases{
        {GatewayAnswer("agents", "getBalance", "0", "<balance>12x</balance>"),
         [&] { return client.GetBalance(balance, tree, overdraft); }},
        {GatewayAnswer("terminals", "getCommissions", "0",
                       "<row prv-id=\"100\" fix-com=\"12x\" profile-id=\"p\"/>"),
         [&] { return client.GetCommisions(); }},
        {GatewayAnswer(
             "terminals", "getCommissionProfiles", "0",
             "<profile id=\"p\"><profile-data order=\"1\" com-percent=\"12x\"/></profile>"),
         [&] { return client.GetCommissionProfiles(); }}};
    for (const auto& [answer, call] : cases) {
        server.Queue({answer});
        EXPECT_EQ(call(), 1001) << answer;
        EXPECT_EQ(client.LastResultDescription(), L"Ошибка разбора ответа.\r\n12x") << answer;
    }
    EXPECT_EQ(balance, 0);
}

TEST_F(Operations, TheIdentifyTextsAndTheIdentificationParameters) {
    for (const auto& [text, expected] :
         {std::pair{"1", true}, {"0", false}, {"TRUE", true}, {"yes", false}}) {
        server.Queue({GatewayAnswer("system", "needIdentifyUser", "0",
                                    std::string("<identify>") + text + "</identify>")});
        bool need = !expected;
        ASSERT_EQ(client.GetNeedIdentifyUser(L"9001234567", need), 0);
        EXPECT_EQ(need, expected) << text;
    }
    server.Queue({GatewayAnswer("system", "setIdentifyUser")});
    EXPECT_EQ(client.SetIdentifyUser(L"", L"", L"", L"", L"", L"", L"", L"", 32905), 0);
    EXPECT_NE(server.Requests().back().body.find(
                  "<setIdentifyUser><phone/><first-name/><middle-name/><last-name/>"
                  "<passport-number/><inn/><snils/><oms/><birth-date>01.02.1990</birth-date>"),
              std::string::npos);
}

// The person's key is made on the token and sent under the person's own login.
TEST_F(Operations, APublicKeyIsRegisteredThroughTheToken) {
    RegisterEmulatedToken();
    SetToken(L"AKS ifdh 0", L"1234");
    SetReaders({{L"AKS ifdh 0", L"eToken PRO|eToken Base Cryptographic Provider"}});
    client.EToken().SetUserPassword(L"1234");
    client.EToken().DeleteKey(L"cashier");
    server.Queue({GatewayAnswer("persons", "setPublicKey")});
    ASSERT_TRUE(client.SetPublicKey(L"cashier", L"pw")) << client.LastResultDescription();
    EXPECT_EQ(client.LastResultDescription(), L"Нет ошибок");
    const XmlDocument request = LastRequest();
    EXPECT_EQ(ReadXmlValue(request, L"//request/auth", L"login", L""), L"cashier");
    EXPECT_EQ(ReadXmlValue(request, L"//persons/setPublicKey/store-type", L"", L""), L"4");
    const std::string body = server.Requests().back().body;
    const size_t key = body.find("<pubkey>") + 8;
    // 216 Base64 characters of a 1024-bit key, with a CR LF after each full line.
    EXPECT_EQ(body.find("</pubkey>") - key, 220u);
    EXPECT_FALSE(client.SetPublicKey(L"cashier", L"pw"));
    client.EToken().DeleteKey(L"cashier");
}

} // namespace
