#pragma once
// Building and reading XML documents through location paths ("//a/b" anywhere,
// "./b" below a node), and saving them into the data folder.

#include "common/SharedFiles.h"
#include "common/Xml.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

XmlNode AppendElement(XmlDocument& doc, const XmlNode& parent, std::wstring_view name);
// Replaces an attribute of the same name; a new one follows the existing ones.
void SetNodeAttribute(XmlDocument& doc, const XmlNode& node, std::wstring_view name,
                      std::wstring_view value);
// Attributes are set, and serialised, in the order of `names`.
XmlNode AppendElementWithAttributes(XmlDocument& doc, const XmlNode& parent, std::wstring_view name,
                                    const std::vector<std::wstring>& values,
                                    const std::vector<std::wstring>& names);
// Appends under the first match of `path`; an empty node when nothing matches.
XmlNode AppendElementAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                        const std::vector<std::wstring>& values,
                        const std::vector<std::wstring>& names);
// Sets the attribute on the first match of `path`; nothing happens without a match.
void SetAttributeAt(XmlDocument& doc, std::wstring_view path, std::wstring_view name,
                    std::wstring_view value);
// The attribute of the first match of `path` (the document element for an empty
// path), or the node's text for an empty attribute name; `defaultValue` when the
// node or the attribute is missing, or the path is one that matches nothing
// because the parser refuses it. A failure of the platform itself still raises.
std::wstring ReadXmlValue(const XmlDocument& doc, std::wstring_view path,
                          std::wstring_view attributeName, std::wstring_view defaultValue);
std::wstring ReadNodeAttribute(const XmlNode& node, std::wstring_view name,
                               std::wstring_view defaultValue);
// Replaces the file whole, in one step: other drivers may be reading it. A
// reader holding it is waited for at most `waitMs`.
void SaveXmlToDataFolder(const XmlDocument& doc, std::wstring_view fileName,
                         DWORD waitMs = ReplaceWaitMs);

} // namespace svcgate
