#pragma once
// Node lists as the gateway client selects them from an answer or the cache file.

#include "common/Xml.h"

#include <gtest/gtest.h>

namespace svcgate::test {

inline std::vector<XmlNode> Nodes(const std::wstring& xml, const wchar_t* path = L"//provider") {
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadXml(L"<r>" + xml + L"</r>"));
    return doc.SelectNodes(path);
}

} // namespace svcgate::test
