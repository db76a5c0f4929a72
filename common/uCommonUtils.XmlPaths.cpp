#include "common/uCommonUtils.XmlPaths.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"

namespace svcgate {

XmlNode AppendElement(XmlDocument& doc, const XmlNode& parent, std::wstring_view name) {
    return parent.AppendChild(doc.CreateElement(name));
}

void SetNodeAttribute(XmlDocument& doc, const XmlNode& node, std::wstring_view name,
                      std::wstring_view value) {
    node.SetAttributeNode(doc.CreateAttribute(name, value));
}

XmlNode AppendElementWithAttributes(XmlDocument& doc, const XmlNode& parent, std::wstring_view name,
                                    const std::vector<std::wstring>& values,
                                    const std::vector<std::wstring>& names) {
    if (values.size() != names.size())
        throw Exception(FormatText(CommonTexts::XmlAttributeCountMismatch,
                                   std::wstring(name).c_str(), unsigned(names.size()),
                                   unsigned(values.size())));
    XmlNode node = AppendElement(doc, parent, name);
    for (size_t index = 0; index < names.size(); ++index)
        SetNodeAttribute(doc, node, names[index], values[index]);
    return node;
}

XmlNode AppendElementAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                        const std::vector<std::wstring>& values,
                        const std::vector<std::wstring>& names) {
    const XmlNode parent = doc.SelectSingleNode(path);
    if (!parent)
        return XmlNode();
    return AppendElementWithAttributes(doc, parent, name, values, names);
}

void SetAttributeAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                    std::wstring_view value) {
    if (const XmlNode node = doc.SelectSingleNode(path))
        SetNodeAttribute(doc, node, name, value);
}

std::wstring ReadXmlValue(const XmlDocument& doc, std::wstring_view path,
                          std::wstring_view attributeName, std::wstring_view defaultValue) {
    const XmlNode node = path.empty() ? doc.DocumentElement() : doc.FirstMatch(path);
    if (!node)
        return std::wstring(defaultValue);
    if (attributeName.empty())
        return node.Text();
    return node.Attribute(attributeName).value_or(std::wstring(defaultValue));
}

std::wstring ReadNodeAttribute(const XmlNode& node, std::wstring_view name,
                               std::wstring_view defaultValue) {
    return node.Attribute(name).value_or(std::wstring(defaultValue));
}

void SaveXmlToDataFolder(const XmlDocument& doc, std::wstring_view fileName, DWORD waitMs) {
    ReplaceFile(
        GetDataFolder() + std::wstring(fileName),
        [&](const std::wstring& temporary) { doc.Save(temporary); }, waitMs);
}

} // namespace svcgate
