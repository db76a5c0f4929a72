#include "common/uCommonUtils.Folders.h"
#include "common/uCommonUtils.XmlPaths.h"

#include <gtest/gtest.h>

using namespace svcgate;

namespace {

XmlDocument Parse(std::wstring_view text) {
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadXml(text));
    return doc;
}

// Wine's MSXML indents what it serialises, Windows' does not: compare without layout.
std::wstring Serialised(const XmlDocument& doc) {
    std::wstring xml = doc.Xml();
    std::erase_if(xml, [](wchar_t c) { return c == L'\r' || c == L'\n' || c == L'\t'; });
    return xml;
}

TEST(XmlPaths, FirstMatchIsInDocumentOrderNotTheShallowest) {
    const XmlDocument doc = Parse(L"<r><a><deep><p n='1'/></deep></a><p n='2'/>"
                                  L"<t><g><last-payment id='7'/></g></t><t><g><last-payment "
                                  L"id='9'/></g></t></r>");
    EXPECT_EQ(ReadXmlValue(doc, L"//p", L"n", L""), L"1");
    EXPECT_EQ(ReadXmlValue(doc, L"//t/g/last-payment", L"id", L""), L"7");
    EXPECT_EQ(doc.SelectNodes(L"//t/g/last-payment").size(), 2u);
}

TEST(XmlPaths, RelativePathSeesOnlyChildren) {
    const XmlDocument doc =
        Parse(L"<agent><info><balance>1</balance></info><balance>2</balance></agent>");
    const XmlNode agent = doc.DocumentElement();
    EXPECT_EQ(agent.SelectSingleNode(L"./balance").Text(), L"2");
    EXPECT_FALSE(agent.SelectSingleNode(L"./missing"));
}

TEST(XmlPaths, ChildElementsAreWhatARelativePathSelects) {
    const XmlDocument doc = Parse(L"<r><a n='1'/>text<!--a--><b/><a n='2'><a n='3'/></a></r>");
    const std::vector<XmlNode> children = doc.DocumentElement().ChildElements(L"a");
    ASSERT_EQ(children.size(), doc.DocumentElement().SelectNodes(L"./a").size());
    EXPECT_EQ(ReadNodeAttribute(children.at(0), L"n", L""), L"1");
    EXPECT_EQ(ReadNodeAttribute(children.at(1), L"n", L""), L"2");
    EXPECT_TRUE(children.at(0).ChildElements(L"a").empty());
}

TEST(XmlRead, EmptyPathReadsTheDocumentElement) {
    const XmlDocument doc = Parse(L"<response result='0'>done</response>");
    EXPECT_EQ(ReadXmlValue(doc, L"", L"result", L"-"), L"0");
    EXPECT_EQ(ReadXmlValue(doc, L"", L"", L"-"), L"done");
}

TEST(XmlRead, FallsBackToTheDefaultWhenAnythingIsMissing) {
    const XmlDocument doc = Parse(L"<response><payment id='5'/></response>");
    EXPECT_EQ(ReadXmlValue(doc, L"//missing", L"id", L"def"), L"def");
    EXPECT_EQ(ReadXmlValue(doc, L"//payment", L"state", L"def"), L"def");
    EXPECT_EQ(ReadXmlValue(doc, L"//payment[", L"id", L"def"), L"def");
    EXPECT_EQ(ReadXmlValue(XmlDocument(), L"", L"id", L"def"), L"def");
    const XmlNode payment = doc.SelectSingleNode(L"//payment");
    EXPECT_EQ(ReadNodeAttribute(payment, L"id", L"def"), L"5");
    EXPECT_EQ(ReadNodeAttribute(payment, L"state", L"def"), L"def");
}

TEST(XmlRead, RejectsMalformedText) {
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadXml(L"<a><b></a>"));
}

TEST(XmlWrite, AttributesKeepTheOrderTheyWereSetIn) {
    XmlDocument doc;
    const XmlNode root = doc.CreateRoot(L"request");
    const XmlNode node =
        AppendElementWithAttributes(doc, root, L"auth", {L"1", L"2", L"3"}, {L"z", L"a", L"m"});
    SetNodeAttribute(doc, node, L"a", L"two");
    SetNodeAttribute(doc, node, L"b", L"4");
    EXPECT_EQ(Serialised(doc), L"<request><auth z=\"1\" a=\"two\" m=\"3\" b=\"4\"/></request>");
}

TEST(XmlWrite, AppendsUnderTheFirstMatchOnly) {
    XmlDocument doc = Parse(L"<r><p/><p/></r>");
    const XmlNode added = AppendElementAt(doc, L"//p", L"c", {L"v"}, {L"n"});
    SetAttributeAt(doc, L"//p", L"k", L"1");
    EXPECT_EQ(added.Name(), L"c");
    EXPECT_EQ(Serialised(doc), L"<r><p k=\"1\"><c n=\"v\"/></p><p/></r>");
}

TEST(XmlWrite, MissingPathChangesNothing) {
    XmlDocument doc = Parse(L"<r/>");
    EXPECT_FALSE(AppendElementAt(doc, L"//none", L"c", {}, {}));
    SetAttributeAt(doc, L"//none", L"k", L"1");
    EXPECT_EQ(Serialised(doc), L"<r/>");
}

TEST(XmlFiles, SavedDocumentLoadsBackFromTheDataFolder) {
    XmlDocument doc;
    AppendElement(doc, doc.CreateRoot(L"providers"), L"provider").SetText(L"\u041c\u0422\u0421");
    SaveXmlToDataFolder(doc, L"XmlTest.xml");
    XmlDocument loaded;
    ASSERT_TRUE(loaded.Load(GetDataFolder() + L"XmlTest.xml"));
    EXPECT_EQ(ReadXmlValue(loaded, L"//providers/provider", L"", L""), L"\u041c\u0422\u0421");
    DeleteFileW((GetDataFolder() + L"XmlTest.xml").c_str());
    EXPECT_FALSE(loaded.Load(GetDataFolder() + L"XmlTest.xml"));
}

} // namespace
