#pragma once
// MSXML documents and nodes behind small owners, so that no caller touches a raw
// DOM interface. Location paths are XPath: "//a/b" anywhere, "./b" below a node.

#include "common/Owners.h"

#include <msxml2.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svcgate {

class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(com_ptr<IXMLDOMNode> node) : node_(std::move(node)) {}

    // Another owner of the same node.
    XmlNode Share() const { return XmlNode(node_.share()); }
    explicit operator bool() const { return static_cast<bool>(node_); }
    IXMLDOMNode* get() const { return node_.get(); }

    // The first match in document order; an empty node when nothing matches.
    XmlNode SelectSingleNode(std::wstring_view path) const;
    // The same, and an empty node too for a path the parser refuses: such a path
    // matches nothing. Any other failure still raises.
    XmlNode FirstMatch(std::wstring_view path) const;
    std::vector<XmlNode> SelectNodes(std::wstring_view path) const;
    // The child elements of that name, in document order: what "./name" selects,
    // for about a third of a path's cost under Wine.
    std::vector<XmlNode> ChildElements(std::wstring_view name) const;
    XmlNode AppendChild(const XmlNode& child) const;

    std::wstring Name() const;
    std::wstring Text() const;
    void SetText(std::wstring_view text) const;
    // None when the node is no element or has no such attribute.
    std::optional<std::wstring> Attribute(std::wstring_view name) const;
    void SetAttributeNode(const XmlNode& attribute) const;
    std::wstring Xml() const;

private:
    // The node, or an Exception for an empty one instead of a crash.
    IXMLDOMNode* Dom() const;

    com_ptr<IXMLDOMNode> node_;
};

class XmlDocument {
public:
    // An empty document that loads synchronously and selects with XPath.
    XmlDocument();

    // Empties the document, keeping the parser object: making a new one costs
    // more than a small exchange with the gateway.
    void Clear();
    // False when the text or file is not well-formed XML.
    bool LoadXml(std::wstring_view text);
    bool Load(const std::wstring& file);
    // Parses bytes as they came, so that the encoding the document declares (or
    // its byte order mark) decides how they read.
    bool LoadBytes(std::string_view bytes);
    // Why the last load failed, in the parser's words.
    std::wstring ParseErrorReason() const;
    // Writes the document to the file, replacing it.
    void Save(const std::wstring& file) const;
    std::wstring Xml() const;

    XmlNode AsNode() const;
    // An empty node when the document has none.
    XmlNode DocumentElement() const;
    // A new element that replaces the document element.
    XmlNode CreateRoot(std::wstring_view name);
    // A new element, not yet in the tree.
    XmlNode CreateElement(std::wstring_view name);
    // A new attribute, not yet on any element.
    XmlNode CreateAttribute(std::wstring_view name, std::wstring_view value);

    XmlNode SelectSingleNode(std::wstring_view path) const {
        return AsNode().SelectSingleNode(path);
    }
    XmlNode FirstMatch(std::wstring_view path) const { return AsNode().FirstMatch(path); }
    std::vector<XmlNode> SelectNodes(std::wstring_view path) const {
        return AsNode().SelectNodes(path);
    }

private:
    com_ptr<IXMLDOMDocument2> doc_;
};

// Whether the text can name an element or attribute of a namespace-aware
// document: an XML name without a colon, and not the namespace declaration "xmlns".
bool IsXmlName(std::wstring_view name);

// The markup of an element and everything under it, written by us rather than
// the platform's serialiser, whose layout differs between platforms: no
// whitespace between elements, attributes in their order, "<a/>" for an empty one.
std::wstring XmlMarkup(const XmlNode& element);

} // namespace svcgate
