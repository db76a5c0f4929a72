// The gateway driver as the host drives it, through IDispatch, against the
// gateway test server.

#include "gateway-answers/GatewayAnswers.h"
#include "../support/Files.h"
#include "../support/Host.h"

#include "common/SharedFiles.h"
#include "common/Text.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uSimpleCrypt.h"
#include "driver/uDriver.h"
#include "eqmanager/EqManager.h"

#include <gtest/gtest.h>

#include <map>

using namespace svcgate;
using namespace svcgate::test;

namespace {

unique_variant Table(const std::vector<std::pair<std::wstring, std::wstring>>& rows) {
    unique_safearray table = CreateVariantMatrix(2, static_cast<long>(rows.size()));
    for (size_t k = 0; k < rows.size(); ++k) {
        PutElement(table.get(), 0, long(k), MakeVariant(rows[k].first).get());
        PutElement(table.get(), 1, long(k), MakeVariant(rows[k].second).get());
    }
    return MakeArrayVariant(std::move(table));
}

std::wstring Text(const unique_variant& array, long index) {
    return VariantToText(GetElement(ArrayOf(array.get()), index).get());
}

class Driver : public testing::Test {
protected:
    tools::GatewayServer server;
    com_ptr<TDriver> driver = TBaseObject::Create<TDriver>();
    std::map<std::string, std::string> answers{
        {"getLastIds", LastIds(40, 16)},
        {"getConfigId", ConfigId("cfg-1")},
        {"getAgentInfo",
         Agents({"name=\"Дилер\" cnt-phone=\"+7 495\" info=\"доп\" cur-id=\"643\""})},
        {"getResultCodes", ResultCodes({{"1", "x"}})},
        {"getUIProviders", UIProviders({"100"})},
        {"getCommissions", Commissions("100", "p")},
        {"getCommissionProfiles", Profiles("p", "1")},
        {"getBalance", GatewayAnswer("agents", "getBalance", "0", "<balance>1234.5</balance>")},
    };

    void SetUp() override {
        ClearCacheFiles();
        server.SetResponder([this](const tools::ReceivedRequest& request) {
            return tools::ScriptedAnswer{answers.at(OperationOf(request))};
        });
        SetSetting(L"Server1URL", MakeVariant(server.Url()));
        SetSetting(L"Login", MakeVariant(L"dealer"));
        SetSetting(L"Password", MakeVariant(ScrambledSetting(L"secret")));
        SetSetting(L"TerminalID", MakeVariant(L"77"));
    }

    void SetSetting(const wchar_t* id, unique_variant value) {
        driver->SetSettingValue(id, value.get());
    }
    bool Host(const std::wstring& method, unique_variant& outData,
              const VARIANT& inData = unique_variant().get()) {
        return CallPublic(driver.get(), method, inData, outData);
    }
    void Enable() {
        unique_variant outData;
        ASSERT_TRUE(Host(L"Enable", outData)) << Text(outData, 1);
    }
    unique_variant Authorize(const std::wstring& code, unique_variant parameters, bool& ok) {
        unique_variant outData;
        ok = Host(L"AuthorizeService", outData,
                  MakeVariantArray(MakeVariant(code), MakeVariant(0), MakeVariant(95.0),
                                   MakeVariant(100.0), std::move(parameters))
                      .get());
        return outData;
    }
};

TEST_F(Driver, NothingIsServedBeforeEnable) {
    unique_variant outData;
    for (const wchar_t* method : {L"GetServiceCodes", L"InitializeTerminal", L"Settlement"}) {
        EXPECT_FALSE(Host(method, outData));
        EXPECT_EQ(ErrorCode(outData), 70) << method;
        EXPECT_EQ(ErrorText(outData), L"Устройство не включено");
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(Driver, TheCatalogueAsTablesAndInitializeTerminalReloadsIt) {
    Enable();
    unique_variant outData;
    ASSERT_TRUE(Host(L"GetServiceCodes", outData));
    const unique_variant codes = GetElement(ArrayOf(outData.get()), 0);
    EXPECT_EQ(UpperBound(ArrayOf(codes.get()), 2), 1);
    EXPECT_EQ(VariantToText(GetElement(ArrayOf(codes.get()), 0, 1).get()), L"11111");
    EXPECT_EQ(VariantToText(GetElement(ArrayOf(codes.get()), 1, 1).get()),
              L"Тестирование XML-протокола");

    ASSERT_TRUE(Host(L"GetServiceParams", outData, MakeVariantArray(MakeVariant(L"11111")).get()));
    const unique_variant params = GetElement(ArrayOf(outData.get()), 0);
    EXPECT_EQ(VariantToText(GetElement(ArrayOf(params.get()), 0, 0).get()), L"account");
    const unique_variant attributes = GetElement(ArrayOf(params.get()), 4, 0);
    EXPECT_EQ(VariantToText(GetElement(ArrayOf(attributes.get()), 0, 0).get()), L"identification");
    EXPECT_FALSE(VariantToBool(GetElement(ArrayOf(attributes.get()), 1, 0).get()));
    EXPECT_FALSE(Host(L"GetServiceParams", outData, MakeVariantArray(MakeVariant(L"1111l")).get()));
    EXPECT_EQ(ErrorCode(outData), 17001);

    const size_t before = server.Requests().size();
    ASSERT_TRUE(Host(L"InitializeTerminal", outData));
    EXPECT_EQ(server.Requests().size() - before, 7u);
}

// Only a payment whose requisites the gateway accepted is registered.
TEST_F(Driver, ASaleIsCheckedThenRegistered) {
    Enable();
    answers["checkPaymentRequisites"] = Payment("checkPaymentRequisites", "result=\"4\"");
    bool ok = true;
    unique_variant outData = Authorize(L"100", Table({{L"account", L"A-1"}}), ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ErrorText(outData), L"Неверный формат счета/телефона");
    EXPECT_EQ(Operations(server).back(), "checkPaymentRequisites");

    answers["checkPaymentRequisites"] = Payment("checkPaymentRequisites", "result=\"0\"");
    answers["addOfflinePayment"] =
        Payment("addOfflinePayment", "result=\"0\" status=\"1\" uid=\"G-9\"");
    outData = Authorize(L"100", Table({{L"account", L"A-1"}, {L"sum", L"1"}, {L"SUM", L"2"}}), ok);
    ASSERT_TRUE(ok) << ErrorText(outData);
    EXPECT_EQ(Text(outData, 0), L"G-9");
    EXPECT_EQ(Text(outData, 1), L"41");
    const std::string body = server.Requests().back().body;
    EXPECT_NE(body.find("amount=\"100\"/><to currency=\"643\" amount=\"95\" service=\"100\" "
                        "account=\"A-1\"/>"),
              std::string::npos);
    EXPECT_NE(body.find("<extras SUM=\"2\"/>"), std::string::npos);
}

// Without an account, or with an extras name the request cannot carry as it is.
TEST_F(Driver, AParameterTableThatIsNoSaleSendsNothing) {
    Enable();
    answers["checkPaymentRequisites"] = Payment("checkPaymentRequisites", "result=\"0\"");
    answers["addOfflinePayment"] = Payment("addOfflinePayment", "result=\"0\"");
    const size_t before = server.Requests().size();
    bool ok = true;
    const auto tables = {std::vector<std::pair<std::wstring, std::wstring>>{{L"ACCOUNT", L"123"}},
                         {{L"account", L""}},
                         {{L"comment", L"x"}},
                         {{L"account", L"A"}, {L"a b", L"1"}},
                         {{L"account", L"A"}, {L"x<y", L"1"}},
                         {{L"account", L"A"}, {L"", L"1"}},
                         {{L"account", L"A"}, {L"a=b", L"1"}}};
    for (const auto& rows : tables) {
        unique_variant outData = Authorize(L"100", Table(rows), ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(ErrorCode(outData), 1004);
    }
    EXPECT_EQ(server.Requests().size(), before);
}

// What the gateway did not say is no state: a payment it did not call completed
// is never reported as sold.
TEST_F(Driver, StatusesMapToTheHostsThree) {
    Enable();
    for (const auto& [payment, code, host, text] :
         {std::tuple{"result=\"0\" status=\"1\"", 0, 1, L"Платеж проводится"},
          {"result=\"0\" status=\"2\"", 0, 0, L"Платеж проведен"},
          {"result=\"0\" status=\"0\"", 0, 2, L"Ошибка проведения платежа"},
          {"result=\"0\" status=\"3\"", 0, 1, L"Платеж авторизован"},
          {"result=\"0\" status=\"7\"", 1014, 0, L""},
          {"status=\"2\"", 1014, 0, L""}}) {
        answers["getPaymentStatus"] = Payment("getPaymentStatus", payment);
        unique_variant outData;
        const bool ok =
            Host(L"GetAuthorizationStatus", outData,
                 MakeVariantArray(MakeVariant(L""), MakeVariant(L""), MakeVariant(L" 41 ")).get());
        EXPECT_EQ(ok, code == 0) << payment;
        if (code != 0) {
            EXPECT_EQ(ErrorCode(outData), code) << payment;
            continue;
        }
        EXPECT_EQ(VariantToInt(GetElement(ArrayOf(outData.get()), 0).get()), host);
        EXPECT_EQ(Text(outData, 1), text);
    }
    unique_variant outData;
    const size_t before = server.Requests().size();
    EXPECT_FALSE(Host(L"CancelServiceAuthorization", outData,
                      MakeVariantArray(MakeVariant(L"G-9"), MakeVariant(L"")).get()));
    EXPECT_EQ(ErrorCode(outData), 1004);
    EXPECT_EQ(server.Requests().size(), before);
}

TEST_F(Driver, TheAgentsValuesInTheirPlaces) {
    Enable();
    unique_variant outData;
    ASSERT_TRUE(Host(L"GetAgentInfo", outData));
    EXPECT_EQ(Text(outData, 0), L"Дилер");
    EXPECT_EQ(Text(outData, 5), L"+7 495");
    EXPECT_EQ(Text(outData, 10), L"доп");
    EXPECT_EQ(VariantToCurrency(GetElement(ArrayOf(outData.get()), 11).get()), 12345000);
}

// The password travels only as the gateway's digest, and no file the driver
// writes, the debug log and the dumps included, holds it in any form.
TEST_F(Driver, NoFileHoldsTheSecret) {
    SetSetting(L"DebugLogEnabled", MakeBoolVariant(true));
    Enable();
    const std::wstring data = GetDataFolder();
    std::vector<std::wstring> files =
        FilesIn(GetCommonAppDataFolder() + L"test_driver\\", L"Debug_");
    for (const wchar_t* name :
         {L"Request.xml", L"Response.xml", L"settings.sts", L"rescodes.sl", L"providers.xml"})
        files.push_back(data + name);
    const std::wstring scrambled = ScrambledSetting(L"secret");
    for (const std::wstring& file : files)
        for (const std::wstring& line : ReadAnsiLines(file))
            for (const std::wstring& secret :
                 {std::wstring(L"secret"), scrambled, MD5HexUpper(L"secret")})
                EXPECT_EQ(line.find(secret), std::wstring::npos) << WideToUtf8(file);
}

// The table keeps what the host gave; the client waits what it can use.
TEST_F(Driver, AnUnusableServerTimeOutGivesTheDefaultAndAnAbsurdOneTenMinutes) {
    std::vector<std::pair<unique_variant, std::uint32_t>> cases;
    for (const std::int32_t ms : {0, -1})
        cases.emplace_back(MakeVariant(ms), 10000);
    for (const wchar_t* text : {L"", L"abc"})
        cases.emplace_back(MakeVariant(text), 10000);
    cases.emplace_back(MakeVariant(1e12), 600000);
    cases.emplace_back(MakeVariant(L"2500"), 2500);
    for (const auto& [value, used] : cases) {
        driver->SetSettingValue(L"SrvResponseTimeout", value.get());
        unique_variant outData;
        ASSERT_TRUE(Host(L"CheckHealth", outData)) << WideToUtf8(VariantToText(value.get()));
        EXPECT_EQ(driver->Device().SrvResponseTimeout(), used);
        EXPECT_EQ(driver->GetSettingValueStr(L"SrvResponseTimeout"), VariantToText(value.get()));
    }
}

// The payer's data goes to the gateway but neither into the debug log nor into
// the request dumps, which every user of the machine can read; the calls stay
// visible.
TEST_F(Driver, ThePayersPersonalDataStaysOutOfTheLogAndTheDump) {
    const std::wstring logFolder = GetCommonAppDataFolder() + L"test_driver\\";
    for (const std::wstring& file : FilesIn(logFolder, L"Debug_"))
        DeleteFileW(file.c_str());
    SetSetting(L"DebugLogEnabled", MakeBoolVariant(true));
    answers["getUIProviders"] = GatewayAnswer("providers", "getUIProviders", "0",
                                              "<provider id=\"100\" needPersonalInfo=\"1\"/>");
    Enable();
    answers["needIdentifyUser"] =
        GatewayAnswer("system", "needIdentifyUser", "0", "<identify>1</identify>");
    answers["setIdentifyUser"] = GatewayAnswer("system", "setIdentifyUser");
    const std::vector<std::wstring> personal{
        L"+79165550147", L"Пётр",         L"Ильич",          L"Сидоров",
        L"4510 918273",  L"502918273645", L"112-233-445 95", L"7754321098765432",
        L"05.03.1981"};
    const std::wstring dumpFile = GetDataFolder() + L"Request.xml";
    unique_variant outData;
    ASSERT_TRUE(Host(L"GetNeedIdentifyClient", outData,
                     MakeVariantArray(MakeVariant(L"100"), MakeVariant(personal[0])).get()));
    std::string dumps = ReadSharedFile(dumpFile).value_or("");
    ASSERT_TRUE(
        Host(L"SetIdentifyClient", outData,
             MakeVariantArray(MakeVariant(L""), MakeVariant(personal[0]), MakeVariant(personal[1]),
                              MakeVariant(personal[2]), MakeVariant(personal[3]),
                              MakeVariant(personal[4]), MakeVariant(personal[5]),
                              MakeVariant(personal[6]), MakeVariant(personal[7]),
                              ConvertVariant(MakeVariant(29650.0).get(), VT_DATE))
                 .get()));
    dumps += ReadSharedFile(dumpFile).value_or("");
    std::string log;
    for (const std::wstring& file : FilesIn(logFolder, L"Debug_"))
        log += ReadSharedFile(file).value_or("");
    std::string sent;
    for (const tools::ReceivedRequest& request : server.Requests())
        sent += request.body;
    EXPECT_NE(log.find("> GetNeedIdentifyClient: \tInData: [('100'; '***')]"), std::string::npos);
    EXPECT_NE(log.find("> SetIdentifyClient: \tInData: [(''; '***'; '***'; '***'; '***'; '***'; "
                       "'***'; '***'; '***'; '***')]"),
              std::string::npos);
    EXPECT_NE(dumps.find("<needIdentifyUser><phone>***</phone>"), std::string::npos);
    EXPECT_NE(dumps.find("<passport-number>***</passport-number>"), std::string::npos);
    for (const std::wstring& value : personal) {
        EXPECT_NE(sent.find(WideToUtf8(value)), std::string::npos) << WideToUtf8(value);
        EXPECT_EQ(log.find(WideToAnsi(value)), std::string::npos) << WideToUtf8(value);
        EXPECT_EQ(dumps.find(WideToAnsi(value)), std::string::npos) << WideToUtf8(value);
    }
}

TEST_F(Driver, AFailedExchangeIsDescribedInTheGatewaysWords) {
    answers["getConfigId"] = GatewayAnswer("terminals", "getConfigId", "0", {}, "150");
    unique_variant outData;
    EXPECT_FALSE(Host(L"Enable", outData));
    EXPECT_EQ(ErrorCode(outData), 1001);
    EXPECT_EQ(ErrorText(outData), L"Неверный пароль или нет прав на этот терминал");
    EXPECT_EQ(driver->GetDriverResultDescription(1001),
              L"Неверный пароль или нет прав на этот терминал");
}

class HeldPaymentEvent : public Driver, public testing::WithParamInterface<bool> {};

// A payment the host was told had failed turns out held: the cashier's text goes
// to the host's event log as well, when the host keeps one.
TEST_P(HeldPaymentEvent, ReachesTheEventLogOnlyWhenItIsOn) {
    const com_ptr<tools::EqManager> manager = tools::CreateEqManager();
    manager->SetAppProperty(L"ModelsFolder", L"C:\\models");
    manager->SetAppProperty(L"Language", L"ru");
    unique_variant description;
    ASSERT_TRUE(AnsweredTrue(
        Call(driver.get(), L"Init", Args(MakeDispatchVariant(manager.get()), Ref(description)))
            .result));
    SetSetting(L"EventLogEnabled", MakeBoolVariant(GetParam()));
    Enable();
    answers["checkPaymentRequisites"] = Payment("checkPaymentRequisites", "result=\"0\"");
    answers["addOfflinePayment"] = Payment("addOfflinePayment", "result=\"86\"");
    bool ok = true;
    Authorize(L"100", Table({{L"account", L"9001234567"}}), ok);
    ASSERT_FALSE(ok);
    answers["getPaymentStatus"] = Payment("getPaymentStatus", "result=\"0\" status=\"2\"");
    manager->ClearCalls();
    const unique_variant outData = Authorize(L"100", Table({{L"account", L"A-2"}}), ok);
    ASSERT_FALSE(ok);
    EXPECT_NE(ErrorText(outData).find(L"41"), std::wstring::npos) << WideToUtf8(ErrorText(outData));
    std::vector<std::wstring> logged;
    for (size_t k = 0; k < manager->Calls().size(); ++k)
        logged.push_back(manager->CallText(k));
    EXPECT_EQ(logged, GetParam() ? std::vector<std::wstring>{L"WriteLog(, SvcGate, " +
                                                             ErrorText(outData) + L", 1)"}
                                 : std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(EventLog, HeldPaymentEvent, testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

} // namespace
