#include "common/Xml.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"

#include <algorithm>
#include <iterator>
#include <utility>

// mingw's msxml2.h declares these interfaces without their identifiers.
__CRT_UUID_DECL(IXMLDOMDocument2, 0x2933bf95, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98,
                0x3e, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933bf86, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98,
                0x3e, 0x60)
__CRT_UUID_DECL(IXMLDOMAttribute, 0x2933bf85, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98,
                0x3e, 0x60)

namespace svcgate {

namespace {

constexpr const wchar_t* DocumentProgId = L"Msxml2.DOMDocument.6.0";
constexpr std::wstring_view SelectionLanguage = L"SelectionLanguage";

template <class T> com_ptr<IXMLDOMNode> AsDomNode(com_ptr<T> node) {
    return com_ptr<IXMLDOMNode>(node.detach());
}

com_ptr<IXMLDOMElement> AsElement(const XmlNode& node) {
    return com_ptr<IXMLDOMNode>::share(node.get()).query<IXMLDOMElement>();
}

unique_variant MakeArrayOfBytes(unique_safearray array) {
    unique_variant result;
    V_VT(result.addressof()) = VT_ARRAY | VT_UI1;
    V_ARRAY(result.addressof()) = array.detach();
    return result;
}

std::wstring Escaped(std::wstring_view text, bool inAttribute) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += inAttribute ? L"&quot;" : L"\"";
            break;
        // A parser folds line breaks and tabs in an attribute into blanks
        // unless they are written as references.
        case L'\r':
        case L'\n':
        case L'\t':
            escaped += inAttribute ? FormatText(L"&#%d;", int(c)) : std::wstring(1, c);
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::wstring NodeName(IXMLDOMNode* node) {
    unique_bstr name;
    CheckHResult(node->get_nodeName(name.put()));
    return name.str();
}

bool IsElementNamed(IXMLDOMNode* node, std::wstring_view name) {
    DOMNodeType type = NODE_INVALID;
    CheckHResult(node->get_nodeType(&type));
    return type == NODE_ELEMENT && NodeName(node) == name;
}

std::wstring NodeValue(IXMLDOMNode* node) {
    unique_variant value;
    CheckHResult(node->get_nodeValue(value.put()));
    return value.vt() == VT_BSTR ? VariantToText(value.get()) : std::wstring();
}

// The items of a list of the DOM, child nodes or attributes, each as markup.
template <class List, class Markup> std::wstring ItemsMarkup(List* list, Markup markup) {
    long count = 0;
    CheckHResult(list->get_length(&count));
    std::wstring text;
    for (long i = 0; i < count; ++i) {
        com_ptr<IXMLDOMNode> item;
        CheckHResult(list->get_item(i, item.put()));
        text += markup(item.get());
    }
    return text;
}

std::wstring AttributesMarkup(IXMLDOMNode* element) {
    com_ptr<IXMLDOMNamedNodeMap> attributes;
    CheckHResult(element->get_attributes(attributes.put()));
    return ItemsMarkup(attributes.get(), [](IXMLDOMNode* attribute) {
        return L" " + NodeName(attribute) + L"=\"" + Escaped(NodeValue(attribute), true) + L"\"";
    });
}

std::wstring NodeMarkup(IXMLDOMNode* node);

std::wstring ChildrenMarkup(IXMLDOMNode* node) {
    com_ptr<IXMLDOMNodeList> children;
    CheckHResult(node->get_childNodes(children.put()));
    return ItemsMarkup(children.get(), NodeMarkup);
}

// Elements and their text are all a request holds; anything else is left out.
std::wstring NodeMarkup(IXMLDOMNode* node) {
    DOMNodeType type = NODE_INVALID;
    CheckHResult(node->get_nodeType(&type));
    if (type == NODE_TEXT)
        return Escaped(NodeValue(node), false);
    if (type != NODE_ELEMENT)
        return L"";
    const std::wstring name = NodeName(node);
    const std::wstring children = ChildrenMarkup(node);
    const std::wstring head = L"<" + name + AttributesMarkup(node);
    return children.empty() ? head + L"/>" : head + L">" + children + L"</" + name + L">";
}

// The name characters of XML 1.0 within the 16-bit plane, the colon left out.
bool IsNameStartChar(wchar_t c) {
    const std::pair<wchar_t, wchar_t> ranges[] = {
        {L'A', L'Z'},     {L'_', L'_'},     {L'a', L'z'},     {0xC0, 0xD6},     {0xD8, 0xF6},
        {0xF8, 0x2FF},    {0x370, 0x37D},   {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F},
        {0x2C00, 0x2FEF}, {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}};
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

bool IsNameChar(wchar_t c) {
    return IsNameStartChar(c) || c == L'-' || c == L'.' || (c >= L'0' && c <= L'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

} // namespace

bool IsXmlName(std::wstring_view name) {
    return !name.empty() && IsNameStartChar(name.front()) &&
           std::all_of(name.begin(), name.end(), IsNameChar) && name != L"xmlns";
}

IXMLDOMNode* XmlNode::Dom() const {
    if (!node_)
        throw Exception(CommonTexts::XmlNodeMissing);
    return node_.get();
}

XmlNode XmlNode::SelectSingleNode(std::wstring_view path) const {
    com_ptr<IXMLDOMNode> found;
    CheckHResult(Dom()->selectSingleNode(unique_bstr(path).get(), found.put()));
    return XmlNode(std::move(found));
}

// The parser reports a path it cannot read with the unspecified failure; running
// out of memory, for one, has a code of its own.
XmlNode XmlNode::FirstMatch(std::wstring_view path) const {
    com_ptr<IXMLDOMNode> found;
    const HRESULT hr = Dom()->selectSingleNode(unique_bstr(path).get(), found.put());
    if (hr != E_FAIL)
        CheckHResult(hr);
    return XmlNode(std::move(found));
}

std::vector<XmlNode> XmlNode::SelectNodes(std::wstring_view path) const {
    com_ptr<IXMLDOMNodeList> list;
    CheckHResult(Dom()->selectNodes(unique_bstr(path).get(), list.put()));
    std::vector<XmlNode> nodes;
    for (;;) {
        com_ptr<IXMLDOMNode> next;
        CheckHResult(list->nextNode(next.put()));
        if (!next)
            return nodes;
        nodes.emplace_back(std::move(next));
    }
}

std::vector<XmlNode> XmlNode::ChildElements(std::wstring_view name) const {
    std::vector<XmlNode> children;
    com_ptr<IXMLDOMNode> child;
    CheckHResult(Dom()->get_firstChild(child.put()));
    while (child) {
        if (IsElementNamed(child.get(), name))
            children.emplace_back(child.share());
        com_ptr<IXMLDOMNode> next;
        CheckHResult(child->get_nextSibling(next.put()));
        child = std::move(next);
    }
    return children;
}

XmlNode XmlNode::AppendChild(const XmlNode& child) const {
    com_ptr<IXMLDOMNode> appended;
    CheckHResult(Dom()->appendChild(child.get(), appended.put()));
    return XmlNode(std::move(appended));
}

std::wstring XmlNode::Name() const {
    unique_bstr name;
    CheckHResult(Dom()->get_nodeName(name.put()));
    return name.str();
}

std::wstring XmlNode::Text() const {
    unique_bstr text;
    CheckHResult(Dom()->get_text(text.put()));
    return text.str();
}

void XmlNode::SetText(std::wstring_view text) const {
    CheckHResult(Dom()->put_text(unique_bstr(text).get()));
}

std::optional<std::wstring> XmlNode::Attribute(std::wstring_view name) const {
    const com_ptr<IXMLDOMElement> element = AsElement(*this);
    if (!element)
        return std::nullopt;
    unique_variant value;
    CheckHResult(element->getAttribute(unique_bstr(name).get(), value.put()));
    if (value.vt() == VT_NULL || value.empty())
        return std::nullopt;
    return VariantToText(value.get());
}

void XmlNode::SetAttributeNode(const XmlNode& attribute) const {
    const com_ptr<IXMLDOMElement> element = AsElement(*this);
    if (!element)
        throw Exception(FormatText(CommonTexts::XmlNotAnElement, Name().c_str()));
    const com_ptr<IXMLDOMAttribute> typed =
        com_ptr<IXMLDOMNode>::share(attribute.get()).query<IXMLDOMAttribute>();
    com_ptr<IXMLDOMAttribute> replaced;
    CheckHResult(element->setAttributeNode(typed.get(), replaced.put()));
}

std::wstring XmlNode::Xml() const {
    unique_bstr xml;
    CheckHResult(Dom()->get_xml(xml.put()));
    return xml.str();
}

XmlDocument::XmlDocument() {
    CLSID clsid{};
    CheckHResult(CLSIDFromProgID(DocumentProgId, &clsid));
    CheckHResult(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMDocument2),
                                  doc_.put_void()));
    CheckHResult(doc_->put_async(VARIANT_FALSE));
    CheckHResult(
        doc_->setProperty(unique_bstr(SelectionLanguage).get(), MakeVariant(L"XPath").get()));
}

void XmlDocument::Clear() {
    for (;;) {
        com_ptr<IXMLDOMNode> child, removed;
        CheckHResult(doc_->get_firstChild(child.put()));
        if (!child)
            return;
        CheckHResult(doc_->removeChild(child.get(), removed.put()));
    }
}

bool XmlDocument::LoadXml(std::wstring_view text) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CheckHResult(doc_->loadXML(unique_bstr(text).get(), &loaded));
    return loaded != VARIANT_FALSE;
}

bool XmlDocument::Load(const std::wstring& file) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CheckHResult(doc_->load(MakeVariant(file).get(), &loaded));
    return loaded != VARIANT_FALSE;
}

bool XmlDocument::LoadBytes(std::string_view bytes) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), 0};
    unique_safearray array(SafeArrayCreate(VT_UI1, 1, &bound));
    if (!array)
        CheckHResult(E_OUTOFMEMORY);
    void* data = nullptr;
    CheckHResult(SafeArrayAccessData(array.get(), &data));
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    CheckHResult(SafeArrayUnaccessData(array.get()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CheckHResult(doc_->load(MakeArrayOfBytes(std::move(array)).get(), &loaded));
    return loaded != VARIANT_FALSE;
}

std::wstring XmlDocument::ParseErrorReason() const {
    com_ptr<IXMLDOMParseError> error;
    CheckHResult(doc_->get_parseError(error.put()));
    unique_bstr reason;
    CheckHResult(error->get_reason(reason.put()));
    return reason.str();
}

void XmlDocument::Save(const std::wstring& file) const {
    CheckHResult(doc_->save(MakeVariant(file).get()));
}

std::wstring XmlDocument::Xml() const {
    return AsNode().Xml();
}

XmlNode XmlDocument::AsNode() const {
    return XmlNode(com_ptr<IXMLDOMNode>::share(doc_.get()));
}

XmlNode XmlDocument::DocumentElement() const {
    com_ptr<IXMLDOMElement> element;
    CheckHResult(doc_->get_documentElement(element.put()));
    return XmlNode(AsDomNode(std::move(element)));
}

XmlNode XmlDocument::CreateRoot(std::wstring_view name) {
    XmlNode root = CreateElement(name);
    const com_ptr<IXMLDOMElement> element = AsElement(root);
    CheckHResult(doc_->putref_documentElement(element.get()));
    return root;
}

XmlNode XmlDocument::CreateElement(std::wstring_view name) {
    com_ptr<IXMLDOMElement> element;
    CheckHResult(doc_->createElement(unique_bstr(name).get(), element.put()));
    return XmlNode(AsDomNode(std::move(element)));
}

XmlNode XmlDocument::CreateAttribute(std::wstring_view name, std::wstring_view value) {
    com_ptr<IXMLDOMAttribute> attribute;
    CheckHResult(doc_->createAttribute(unique_bstr(name).get(), attribute.put()));
    CheckHResult(attribute->put_value(MakeVariant(value).get()));
    return XmlNode(AsDomNode(std::move(attribute)));
}

std::wstring XmlMarkup(const XmlNode& element) {
    if (!element)
        throw Exception(CommonTexts::XmlNodeMissing);
    return NodeMarkup(element.get());
}

} // namespace svcgate
