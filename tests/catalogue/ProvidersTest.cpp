#include "catalogue/uDeviceTypes.h"

#include "../support/Files.h"
#include "Nodes.h"

#include "common/Exception.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace svcgate;

using test::Nodes;

namespace {

std::wstring IDs(const TProviders& providers) {
    std::wstring ids;
    for (size_t i = 0; i < providers.Count(); ++i)
        ids += providers.GetItem(i).ProviderID() + L";";
    return ids;
}

struct LoadCase {
    const wchar_t* xml;
    bool fullReload;
    const wchar_t* ids;
    const wchar_t* firstLongName;
};

void PrintTo(const LoadCase& load, std::ostream* out) {
    *out << WideToUtf8(load.xml) << (load.fullReload ? " full" : " partial");
}

class UILoad : public testing::TestWithParam<LoadCase> {};

// The catalogue holds provider "7" from the gateway's rows, and no test provider yet.
TEST_P(UILoad, EndsWithTheTestProviderOnce) {
    TProviders providers;
    providers.LoadFromXML(Nodes(L"<row prv-id='7' long-name='old'/>", L"//row"));
    providers.LoadUIFromXML(Nodes(GetParam().xml), GetParam().fullReload);
    EXPECT_EQ(IDs(providers), GetParam().ids);
    EXPECT_EQ(providers.GetItem(0).LongName(), GetParam().firstLongName);
    EXPECT_EQ(providers.GetItemByID(providers.GetItem(0).ProviderID()), &providers.GetItem(0));
    EXPECT_EQ(providers.GetItemByID(L"7") != nullptr, IDs(providers).starts_with(L"7;"));
}

constexpr const wchar_t* TestName = L"Тестирование XML-протокола";

INSTANTIATE_TEST_SUITE_P(
    Cases, UILoad,
    testing::Values(
        LoadCase{L"", true, L"11111;", TestName}, LoadCase{L"", false, L"7;11111;", L"old"},
        LoadCase{L"<provider id='11111' lName='own'/>", true, L"11111;", L"own"},
        LoadCase{L"<provider id='7' lName='new'/>", false, L"7;11111;", L"new"},
        LoadCase{L"<provider id='5' lName='1st'/><provider id='5'/>", true, L"5;5;11111;", L"1st"},
        LoadCase{L"<provider id=''/><provider lName='no id'/>", true, L"11111;", TestName}));

// The load goes on, and its caller learns which amount was no number.
TEST(UILoad, ANonNumericAmountIsNamedAndReadAsZero) {
    TProviders providers;
    providers.LoadUIFromXML(
        Nodes(L"<provider id='1'/><provider id='2' maxSum='1O0'/><provider id='3' maxSum='x'/>"),
        true);
    EXPECT_EQ(IDs(providers), L"1;2;3;11111;");
    EXPECT_EQ(providers.GetItem(1).MaxAmount(), 0);
    EXPECT_EQ(providers.TakeUnreadAmount(), L"1O0");
    EXPECT_EQ(providers.TakeUnreadAmount(), std::nullopt);
}

struct AttributeCase {
    const wchar_t* attributes;
    const wchar_t* currencyCode;
    bool needPersonalInfo;
    Currency maxAmount;
};

void PrintTo(const AttributeCase& attributes, std::ostream* out) {
    *out << WideToUtf8(attributes.attributes);
}

class UIAttributes : public testing::TestWithParam<AttributeCase> {};

TEST_P(UIAttributes, ReadAsTheGatewayMeansThem) {
    TProviders providers;
    providers.LoadUIFromXML(
        Nodes(std::wstring(L"<provider id='1' ") + GetParam().attributes + L"/>"), true);
    const TProvider& provider = providers.GetItem(0);
    EXPECT_EQ(provider.CurrencyCode(), GetParam().currencyCode);
    EXPECT_EQ(provider.NeedPersonalInfo(), GetParam().needPersonalInfo);
    EXPECT_EQ(provider.MaxAmount(), GetParam().maxAmount);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UIAttributes,
    testing::Values(
        AttributeCase{L"", L"643", false, 0},
        AttributeCase{L"curId='' needPersonalInfo='1'", L"", true, 0},
        AttributeCase{L"needPersonalInfo='true' maxSum='1500,50'", L"643", false, 15005000},
        AttributeCase{L"needPersonalInfo='0' maxSum='1500.50'", L"643", false, 15005000},
        AttributeCase{L"needPersonalInfo='' maxSum=' 100 '", L"643", false, 1000000}));

TEST(GatewayRows, ReplaceTheCatalogueAndKeepRowsWithoutAnIdentifier) {
    TProviders providers;
    providers.LoadUIFromXML(Nodes(L"<provider id='9'/>"), true);
    providers.LoadFromXML(Nodes(L"<row prv-id='1' fiscal-name='f' long-name='l' prv-inn='i' "
                                L"prv-support-phone='p' receipt-name='r' short-name='s' "
                                L"max-amount='10,5'/><row min-amount='1'/>",
                                L"//row"));
    providers.LoadCommissionsFromXML(Nodes(L"<row fix-com='9'/>", L"//row"));
    EXPECT_EQ(IDs(providers), L"1;;");
    const TProvider& row = providers.GetItem(0);
    EXPECT_EQ(row.FiscalName() + row.LongName() + row.INN() + row.SupportPhone() +
                  row.ReceiptName() + row.ShortName(),
              L"fliprs");
    EXPECT_EQ(row.MaxAmount(), 105000);
    EXPECT_EQ(providers.GetItem(1).MinAmount(), 10000);
    EXPECT_EQ(providers.GetItem(1).FixCommission(), 0);
}

TEST(CommissionRows, SetTheNamedProvidersOnly) {
    TProviders providers;
    providers.LoadUIFromXML(
        Nodes(L"<provider id='1'/><provider id='2' fix-com='8'/><provider id='3' fix-com='7'/>"),
        true);
    providers.LoadCommissionsFromXML(Nodes(L"<row prv-id='1' fix-com='2,5' profile-id='p'/><row "
                                           L"prv-id='2' profile-id='q'/><row prv-id='4' "
                                           L"fix-com='9'/>",
                                           L"//row"));
    EXPECT_EQ(IDs(providers), L"1;2;3;11111;");
    EXPECT_EQ(providers.GetItem(0).FixCommission(), 25000);
    EXPECT_EQ(providers.GetItem(0).ComissionProfileID(), L"p");
    EXPECT_EQ(providers.GetItem(1).FixCommission(), 0);
    EXPECT_EQ(providers.GetItem(1).ComissionProfileID(), L"q");
    EXPECT_EQ(providers.GetItem(2).FixCommission(), 70000);
    // An empty fix-com in a later partial load keeps what the row gave.
    providers.LoadUIFromXML(Nodes(L"<provider id='1' fix-com=''/>"), false);
    EXPECT_EQ(providers.GetItem(0).FixCommission(), 25000);
}

constexpr const wchar_t* Catalogue =
    L"<provider id='1' fiscalName='Ф' lName='Длинное &amp; &quot;имя&quot;' inn='7701' "
    L"supportPhone='+7 495' receiptName='чек' sName='Кратко' curId='840' maxSum='200' "
    L"minSum='0,5' needPersonalInfo='1' fix-com='-2.5' profile-id='P1'><pages><page><controls>"
    L"<control type='text_input' name='account' header='Номер' footer='10 цифр' mask='\\d{10}' "
    L"disp_type='identification'/><control type='select' name='no'/><control type='' "
    L"name='no'/><control name='no'/>"
    L"<control type='text_input' name='sum' header='Сумма'/></controls></page></pages>"
    L"<control type='text_input' name='no'/></provider><provider id='2'/>";

// The markup is our own writer's: Wine's serialiser indents.
TEST(CacheFile, HoldsTheProvidersWithTheirTextInputsAndThenTheProfiles) {
    TProviders providers;
    providers.LoadUIFromXML(Nodes(Catalogue), true);
    providers.ComissinProfiles().LoadFromXML(Nodes(L"<profile id='p'/>", L"//profile"));
    const TProviderControls& controls = providers.GetItem(0).ProviderControls();
    EXPECT_EQ(controls.GetItemByName(L"sum"), &controls.GetItem(1));
    EXPECT_EQ(controls.GetItemByName(L"no"), nullptr);
    EXPECT_EQ(providers.GetItem(0).FiscalName(), L"Ф");
    EXPECT_EQ(providers.GetItemByID(L"11111")->FiscalName(), TestName);
    EXPECT_EQ(
        XmlMarkup(providers.SaveToXML().DocumentElement()),
        L"<providers><provider id=\"1\" lName=\"Длинное &amp; &quot;имя&quot;\" inn=\"7701\" "
        L"supportPhone=\"+7 495\" receiptName=\"чек\" sName=\"Кратко\" curId=\"840\" "
        L"maxSum=\"200\" minSum=\"0.5\" needPersonalInfo=\"1\" fix-com=\"-2.5\" "
        L"profile-id=\"P1\"><pages><page><controls><control name=\"account\" "
        L"header=\"Номер&#13;&#10;10 цифр\" mask=\"\\d{10}\" type=\"text_input\" "
        L"disp_type=\"identification\"/><control name=\"sum\" header=\"Сумма&#13;&#10;\" "
        L"mask=\"\" type=\"text_input\"/></controls></page></pages></provider><provider id=\"2\" "
        L"lName=\"\" inn=\"\" supportPhone=\"\" receiptName=\"\" sName=\"\" curId=\"643\" "
        L"maxSum=\"0\" minSum=\"0\" needPersonalInfo=\"0\" fix-com=\"0\" profile-id=\"\"><pages>"
        L"<page><controls/></page></pages></provider><provider id=\"11111\" lName=\"" +
            std::wstring(TestName) + L"\" inn=\"\" supportPhone=\"\" receiptName=\"\" sName=\"" +
            TestName +
            L"\" curId=\"643\" maxSum=\"0\" minSum=\"0\" needPersonalInfo=\"0\" fix-com=\"0\" "
            L"profile-id=\"\"><pages><page><controls><control name=\"account\" header=\"\" "
            L"mask=\"\" type=\"text_input\"/></controls></page></pages></provider>"
            L"<profile id=\"p\"/></providers>");
}

// What is not written reads back empty; a description gains the missing footer's line break.
TEST(CacheFile, ReadsBackAsTheCatalogueItWasWrittenFrom) {
    TProviders providers;
    providers.LoadUIFromXML(Nodes(Catalogue), true);
    const test::TempFolder folder;
    providers.SaveToXML().Save(folder.path() + L"providers.xml");
    XmlDocument file;
    ASSERT_TRUE(file.Load(folder.path() + L"providers.xml"));
    TProviders cached;
    cached.LoadUIFromXML(file.SelectNodes(L"//provider"), true);
    EXPECT_EQ(cached.GetItem(0).FiscalName(), L"");
    EXPECT_EQ(XmlMarkup(cached.SaveToXML().DocumentElement()),
              ReplaceAll(XmlMarkup(providers.SaveToXML().DocumentElement()), L"\" mask=",
                         L"&#13;&#10;\" mask="));
}

} // namespace
