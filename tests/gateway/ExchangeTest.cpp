#include "GatewayClient.h"

#include "../support/Files.h"

#include "common/CommonTexts.h"
#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "gateway-sim/server/StoppableSocket.h"
#include "gateway/HttpExchange.h"
#include "gateway/uGatewayResults.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

using namespace svcgate;
using namespace svcgate::test;
using tools::ScriptedAnswer;

namespace {

TEST(ResultTexts, BuiltInTableAndPaymentStatuses) {
    EXPECT_EQ(GatewayResultText(215), L"Транзакция с таким номером уже есть в базе");
    EXPECT_EQ(GatewayResultText(0), L"\u041e\u041a");
    EXPECT_EQ(GatewayResultText(999), L"Неизвестная ошибка. Статус ответа - 999");
    std::wstring text = L"как было";
    PaymentStatusText(psCompleted, text);
    EXPECT_EQ(text, L"Платеж проведен");
    PaymentStatusText(static_cast<TPaymentStatus>(4), text);
    EXPECT_EQ(text, L"Платеж проведен");
}

TEST(ResultTexts, TheGatewaysOwnTextWins) {
    GatewayClient client;
    client.FResultCodes = {L"215=Повтор", L"7=Семь"};
    EXPECT_EQ(client.GetResultCodeText(215), L"Повтор");
    EXPECT_EQ(client.GetResultCodeText(216), L"Ошибка при сохранении транзакции на сервере");
}

// The request exactly as the gateway reads it: the prolog names windows-1251,
// the bytes are UTF-8, and a password letter outside ASCII is hashed as "?".
TEST_F(Gateway, TheRequestGoesOutByteForByte) {
    client.SetLogin(L"Касса & <1>");
    client.SetPassword(L"пароль");
    ASSERT_EQ(Exchange(GatewayAnswer("terminals", "getLastIds")), 0);
    const std::wstring expected =
        L"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<request><auth login=\"Касса "
        L"&amp; &lt;1&gt;\" sign=\"" +
        MD5HexUpper(L"??????") +
        L"\" signAlg=\"MD5\"/><client software=\"Dezuri r0\" "
        L"terminal=\"77\"/><terminals><getLastIds/></terminals></request>";
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].body, WideToUtf8(expected));
}

TEST_F(Gateway, OnlyTheListedHeadersInTheirOrder) {
    ASSERT_EQ(Exchange(GatewayAnswer("terminals", "getLastIds")), 0);
    const tools::ReceivedRequest request = server.Requests().at(0);
    std::vector<std::string> names;
    for (const auto& [name, value] : request.headers)
        names.push_back(name);
    const auto at = [&](const char* name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_LT(at("Accept-encoding"), at("User-Agent"));
    EXPECT_EQ(request.Header("Accept-encoding"), "identity");
    EXPECT_EQ(request.Header("User-Agent"), "Dezuri r0");
    EXPECT_EQ(request.Header("Content-Type"), std::nullopt);
    EXPECT_EQ(request.Header("X-Digital-Sign"), std::nullopt);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/xmlgate/xml.jsp");
}

struct AnswerCase {
    const char* name;
    ScriptedAnswer answer;
    std::int32_t code;
    std::wstring description;
    // The parser's reason follows the description, in the platform's words.
    bool reasonFollows = false;
};

class Answers : public Gateway, public testing::WithParamInterface<AnswerCase> {};

TEST_P(Answers, BecomeAResultCodeAndADescription) {
    server.Queue(GetParam().answer);
    EXPECT_EQ(client.ExecuteRequest(L"terminals", L"getLastIds", doc), GetParam().code);
    const std::wstring& description = client.LastResultDescription();
    if (GetParam().reasonFollows) {
        EXPECT_TRUE(description.starts_with(GetParam().description)) << WideToUtf8(description);
        EXPECT_GT(description.size(), GetParam().description.size());
    } else {
        EXPECT_EQ(description, GetParam().description);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gateway, Answers,
    testing::Values(
        AnswerCase{"Success", {GatewayAnswer("terminals", "getLastIds")}, 0, L"ОК"},
        AnswerCase{"RootCodeIsFinal",
                   {GatewayAnswer("terminals", "getLastIds", "0", {}, "150")},
                   1001,
                   L"Неверный пароль или нет прав на этот терминал"},
        AnswerCase{"OperationWithoutResult",
                   {"<response result=\"0\"><terminals><getLastIds/></terminals></response>"},
                   1014,
                   L""},
        AnswerCase{"CodeThatIsNoNumber",
                   {"<response result=\"abc\"/>"},
                   1014,
                   L"Неизвестный статус ответа"},
        AnswerCase{"HtmlPage",
                   {"<html><body>502 Bad Gateway<br></body></html>"},
                   1001,
                   L"Ошибка разбора ответа.\r\n",
                   true},
        AnswerCase{"LengthBeyondTheCap", {.fault = ScriptedAnswer::Fault::HugeLength}, 1014, L""}),
    [](const auto& info) { return info.param.name; });

TEST_F(Gateway, AClosedPortIsAFailureToSend) {
    client.SetServer1URL(L"http://127.0.0.1:1/xmlgate/xml.jsp");
    EXPECT_EQ(client.ExecuteRequest(L"terminals", L"getLastIds", doc), 1001);
    EXPECT_TRUE(client.LastResultDescription().starts_with(L"Ошибка отправки запроса.\r\n"));
    EXPECT_GT(client.LastResultDescription().size(), 26u);
}

// The time-out bounds the whole exchange: a gateway that takes the request and
// never answers cannot hold the cash desk.
TEST_F(Gateway, AGatewayThatNeverAnswersGivesNoAnswerWithinTheTimeOut) {
    client.SetSrvResponseTimeout(1000);
    for (auto fault : {ScriptedAnswer::Fault::NeverAnswer, ScriptedAnswer::Fault::Trickle}) {
        server.Queue({GatewayAnswer("terminals", "getLastIds"), "text/xml", 200, 0, fault});
        const DWORD start = GetTickCount();
        EXPECT_EQ(client.ExecuteRequest(L"terminals", L"getLastIds", doc), 1007);
        EXPECT_LT(GetTickCount() - start, 2500u);
    }
}

TEST_F(Gateway, TheAnswersDeclaredEncodingIsHonoured) {
    const std::wstring answer =
        L"<response result=\"0\"><terminals><getLastIds result=\"0\" name=\"Касса №1\"/>"
        L"</terminals></response>";
    for (const std::string& body :
         {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + WideToUtf8(answer),
          "<?xml version=\"1.0\" encoding=\"windows-1251\"?>" + WideToAnsi(answer)}) {
        ASSERT_EQ(Exchange(body), 0);
        EXPECT_EQ(ReadXmlValue(doc, L"//terminals/getLastIds", L"name", L""), L"Касса №1");
    }
}

// The user's proxy settings say: a configuration script at `script`, no
// auto-detection; the earlier settings come back afterwards.
class ProxyScriptSetting {
public:
    explicit ProxyScriptSetting(const std::string& script) {
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  key_.put(), nullptr),
                  ERROR_SUCCESS);
        DWORD size = 0;
        if (RegQueryValueExW(key_.get(), Value, nullptr, nullptr, nullptr, &size) ==
            ERROR_SUCCESS) {
            earlier_.emplace(size, '\0');
            RegQueryValueExW(key_.get(), Value, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(earlier_->data()), &size);
        }
        // Version, counter, flags (direct and a script), then the lengths and
        // texts of the proxy, its bypass list and the script's address.
        const DWORD head[] = {0x46, 0, 5, 0, 0, static_cast<DWORD>(script.size())};
        std::string blob(reinterpret_cast<const char*>(head), sizeof head);
        blob += script + std::string(32, '\0');
        Write(blob);
    }
    ~ProxyScriptSetting() {
        if (earlier_)
            Write(*earlier_);
        else
            RegDeleteValueW(key_.get(), Value);
    }

private:
    void Write(const std::string& blob) {
        RegSetValueExW(key_.get(), Value, 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                       static_cast<DWORD>(blob.size()));
    }
    static constexpr const wchar_t* Path =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    static constexpr const wchar_t* Value = L"DefaultConnectionSettings";
    unique_hkey key_;
    std::optional<std::string> earlier_;
};

// The post runs on a thread of its own, so that an exchange that outlives its
// time-out fails here, not at the test runner's limit; it is then left to end
// on its thread, with the session it uses.
std::optional<HttpOutcome> PostWithin(DWORD boundMs, const std::wstring& url, DWORD timeoutMs) {
    auto session = std::make_shared<HttpSession>();
    std::packaged_task<HttpOutcome()> post(
        [session, url, timeoutMs] { return session->Post(url, {}, "request", timeoutMs); });
    std::future<HttpOutcome> outcome = post.get_future();
    std::thread(std::move(post)).detach();
    if (outcome.wait_for(std::chrono::milliseconds(boundMs)) != std::future_status::ready)
        return std::nullopt;
    return outcome.get();
}

// Finding the proxy is part of the exchange: a configuration script that never
// comes cannot hold the cash desk past its time-out.
TEST_F(Gateway, TheProxyLookupCountsInTheTimeOut) {
    // Its listener takes no connection: the client's waits in the queue, unanswered.
    const unique_socket script = tools::ListenOnLoopback(0);
    const ProxyScriptSetting setting(
        "http://127.0.0.1:" + std::to_string(tools::PortOf(script.get())) + "/proxy.pac");
    const std::optional<HttpOutcome> outcome = PostWithin(2500, server.Url(), 1000);
    ASSERT_TRUE(outcome) << "still waiting 1.5 s after its time-out";
    EXPECT_EQ(outcome->state, HttpOutcome::State::TimedOut);
}

struct SizeCase {
    const char* name;
    ScriptedAnswer answer;
    HttpOutcome::State state;
};

class AnswerSizes : public testing::TestWithParam<SizeCase> {};

// An answer is taken up to the session's cap and no further, whether or not its
// head announces its length.
TEST_P(AnswerSizes, AreTakenUpToTheCap) {
    constexpr size_t Cap = 4096;
    tools::GatewayServer server;
    server.Queue(GetParam().answer);
    HttpSession session(Cap);
    EXPECT_EQ(session.Post(server.Url(), {}, "request", 5000).state, GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Gateway, AnswerSizes,
    testing::Values(
        SizeCase{"AtTheCap", {std::string(4096, 'x')}, HttpOutcome::State::Complete},
        SizeCase{"AnnouncedPastTheCap", {std::string(4097, 'x')}, HttpOutcome::State::TooLarge},
        SizeCase{"UnannouncedPastTheCap",
                 {.body = std::string(1000, 'x'), .fault = ScriptedAnswer::Fault::Endless},
                 HttpOutcome::State::TooLarge}),
    [](const auto& info) { return info.param.name; });

// The dumps let an integrator read the last exchange; the password's digest
// stays out of them.
TEST_F(Gateway, DebugModeDumpsTheExchangeWithoutThePasswordDigest) {
    const std::wstring folder = GetDataFolder();
    DeleteFileW((folder + L"Request.xml").c_str());
    client.SetDebugMode(true);
    ASSERT_EQ(Exchange(GatewayAnswer("terminals", "getLastIds")), 0);
    XmlDocument request, response;
    ASSERT_TRUE(request.Load(folder + L"Request.xml"));
    EXPECT_EQ(ReadXmlValue(request, L"//request/auth", L"sign", L""), CommonTexts::MaskedSecret);
    EXPECT_EQ(ReadXmlValue(request, L"//request/client", L"terminal", L""), L"77");
    ASSERT_TRUE(response.Load(folder + L"Response.xml"));
    EXPECT_EQ(ReadXmlValue(response, L"", L"result", L""), L"0");
}

} // namespace
