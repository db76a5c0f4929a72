#include "gateway-answers/GatewayAnswers.h"
#include "GatewayClient.h"

#include "../support/Files.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"

#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::vector<std::string> Synchronisation = {"getLastIds", "getConfigId", "getAgentInfo"};
const std::vector<std::string> FullRefresh = {
    "getLastIds",     "getConfigId",    "getAgentInfo",         "getResultCodes",
    "getUIProviders", "getCommissions", "getCommissionProfiles"};

// A gateway whose answers each test changes by operation.
class Configuration : public Gateway {
protected:
    std::map<std::string, std::string> answers{
        {"getLastIds", LastIds(40, 16)},
        {"getConfigId", ConfigId("cfg-1")},
        {"getAgentInfo", Agents({"name=\"Дилер\" cur-id=\"978\""})},
        {"getResultCodes", ResultCodes({{"215", "Повтор"}})},
        {"getUIProviders", UIProviders({"100", "200"})},
        {"getCommissions", Commissions("200", "p1")},
        {"getCommissionProfiles", Profiles("p1", "2.5")},
    };

    void SetUp() override {
        Gateway::SetUp();
        ClearCacheFiles();
        server.SetResponder([this](const tools::ReceivedRequest& request) {
            return tools::ScriptedAnswer{answers.at(OperationOf(request))};
        });
    }

    std::vector<std::string> EnableSends(bool FullReload = false) {
        const size_t before = server.Requests().size();
        client.Enable(FullReload);
        std::vector<std::string> sent = Operations(server);
        return {sent.begin() + before, sent.end()};
    }

    static std::string CacheFile(const wchar_t* name) {
        std::vector<std::wstring> lines = ReadAnsiLines(GetDataFolder() + name);
        std::wstring text;
        for (const std::wstring& line : lines)
            text += line + L"\n";
        return WideToUtf8(text);
    }
    static void WriteCacheFile(const wchar_t* name, const std::string& bytes) {
        std::ofstream(std::filesystem::path(GetDataFolder() + name), std::ios::binary) << bytes;
    }
};

TEST_F(Configuration, TheFirstStartFetchesEverythingAndCachesIt) {
    EXPECT_EQ(EnableSends(), FullRefresh);
    EXPECT_TRUE(client.Enabled());
    EXPECT_EQ(client.TransactNum(), 41);
    EXPECT_EQ(client.ReceiptNum(), 17);
    EXPECT_EQ(CacheFile(L"settings.sts"), "[OPTIONS]\nTerminalConfigID=cfg-1\n");
    EXPECT_EQ(CacheFile(L"rescodes.sl"), "215=Повтор\n");
    ASSERT_NE(client.Providers().GetItemByID(L"200"), nullptr);
    EXPECT_NE(client.Providers().GetItemByID(L"11111"), nullptr);

    GatewayClient second;
    second.SetServer1URL(server.Url());
    server.SetResponder([this](const tools::ReceivedRequest& request) {
        return tools::ScriptedAnswer{answers.at(OperationOf(request))};
    });
    const size_t before = server.Requests().size();
    ASSERT_EQ(second.Enable(false), 0);
    EXPECT_EQ(server.Requests().size() - before, 3u);
    EXPECT_EQ(second.Providers().GetItemByID(L"200")->ComissionProfileID(), L"p1");
    EXPECT_EQ(second.GetResultCodeText(215), L"Повтор");
}

TEST_F(Configuration, AChangedConfigurationOrAFullReloadRefreshes) {
    ASSERT_EQ(EnableSends(), FullRefresh);
    EXPECT_EQ(EnableSends(), Synchronisation);
    EXPECT_EQ(EnableSends(true), FullRefresh);
    answers["getConfigId"] = ConfigId("cfg-2");
    EXPECT_EQ(EnableSends(), FullRefresh);
    EXPECT_EQ(CacheFile(L"settings.sts"), "[OPTIONS]\nTerminalConfigID=cfg-2\n");
}

TEST_F(Configuration, AFailingRefreshLeavesTheCacheAndTheClientOut) {
    ASSERT_EQ(client.Enable(false), 0);
    const std::string catalogue = CacheFile(L"providers.xml");
    ASSERT_NE(catalogue.find("id=\"200\""), std::string::npos);
    answers["getConfigId"] = ConfigId("cfg-2");
    answers["getUIProviders"] = UIProviders({"300"});
    answers["getCommissions"] = GatewayAnswer("terminals", "getCommissions", "0", {}, "150");
    EXPECT_EQ(client.Enable(false), 1001);
    EXPECT_FALSE(client.Enabled());
    EXPECT_EQ(CacheFile(L"providers.xml"), catalogue);
    EXPECT_EQ(CacheFile(L"settings.sts"), "[OPTIONS]\nTerminalConfigID=cfg-1\n");
}

// The identifier that declares the set fresh is written last: a save that fails
// on the way leaves the old one, and the next start refreshes.
TEST_F(Configuration, AFailedSaveLeavesTheOldIdentifier) {
    ASSERT_EQ(client.Enable(false), 0);
    answers["getConfigId"] = ConfigId("cfg-2");
    {
        const unique_handle held(CreateFileW((GetDataFolder() + L"providers.xml").c_str(),
                                             GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_THROW(client.Enable(false), Exception);
    }
    EXPECT_EQ(CacheFile(L"settings.sts"), "[OPTIONS]\nTerminalConfigID=cfg-1\n");
    EXPECT_EQ(EnableSends(), FullRefresh);
}

// A catalogue file that cannot be read whole is no cache: the next start
// downloads the catalogue again and writes it whole.
class DamagedCatalogue : public Configuration, public testing::WithParamInterface<const char*> {};

TEST_P(DamagedCatalogue, IsFetchedAgain) {
    ASSERT_EQ(client.Enable(false), 0);
    WriteCacheFile(L"providers.xml", GetParam());
    EXPECT_EQ(EnableSends(), FullRefresh);
    EXPECT_TRUE(client.Enabled());
    EXPECT_NE(CacheFile(L"providers.xml").find("id=\"200\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedCatalogue,
    testing::Values("<providers><provider id=\"200\" lName=\"cut short",
                    "<providers><provider id=\"200\" maxSum=\"много\"/></providers>",
                    "<providers><profile id=\"p1\"><profile-data com-fix=\"x\"/></profile>"
                    "</providers>"));

// The lock of the set is in another user's hands that this session may not open:
// what the files hold is not trusted, and nothing is written without the lock.
TEST_F(Configuration, WithoutTheLockTheSetIsNeitherTrustedNorWritten) {
    ASSERT_EQ(client.Enable(false), 0);
    unique_hlocal nobody;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:", SDDL_REVISION_1, nobody.put_as<void>(), nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nobody.get(), FALSE};
    const unique_handle foreign(
        CreateMutexW(&attributes, FALSE, L"Global\\VelmoraSvcGate.CacheFiles"));
    ASSERT_EQ(EnableSends(), FullRefresh);
    EXPECT_TRUE(client.Enabled());
    answers["getConfigId"] = ConfigId("cfg-2");
    EXPECT_EQ(client.Enable(false), 0);
    EXPECT_EQ(CacheFile(L"settings.sts"), "[OPTIONS]\nTerminalConfigID=cfg-1\n");
}

// The later row's text in the earlier one's place; a row without a code or
// with an empty text leaves no entry.
TEST_F(Configuration, TheGatewaysResultTableKeepsOneEntryPerCode) {
    answers["getResultCodes"] =
        ResultCodes({{"7", "a"}, {"", "none"}, {"8", "b"}, {"7", "c"}, {"8", ""}});
    ASSERT_EQ(client.Enable(false), 0);
    EXPECT_EQ(CacheFile(L"rescodes.sl"), "7=c\n");
    EXPECT_EQ(client.GetResultCodeText(7), L"c");
    EXPECT_EQ(client.GetResultCodeText(8), L"Прием платежа запрещен по техническим причинам");
}

TEST_F(Configuration, TheCachedCatalogueGivesTheCommission) {
    answers["getCommissions"] =
        GatewayAnswer("terminals", "getCommissions", "0",
                      "<row prv-id=\"200\" fix-com=\"1\" profile-id=\"p1\"/>"
                      "<row prv-id=\"100\" fix-com=\"7.5\" profile-id=\"none\"/>");
    ASSERT_EQ(client.Enable(false), 0);
    Currency sum = -1, percent = -1;
    EXPECT_EQ(client.CalculateComission(L"200", 1000 * 10000LL, sum, percent), 0);
    EXPECT_EQ(sum, 25 * 10000LL);
    EXPECT_EQ(percent, 0);
    EXPECT_EQ(client.CalculateComission(L"100", 1000 * 10000LL, sum, percent), 0);
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(percent, 75000);
    EXPECT_EQ(client.CalculateComission(L"999", 1000 * 10000LL, sum, percent), 1001);
    EXPECT_EQ(client.LastResultDescription(), L"Запрошенная информация не найдена");
}

} // namespace
