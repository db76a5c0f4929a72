#include "gateway-sim/Catalogue.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/Xml.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"

namespace svcgate::tools {

namespace {

CatalogueProvider ReadProvider(const XmlNode& node) {
    const auto text = [&node](const wchar_t* name) { return ReadNodeAttribute(node, name, L""); };
    return {.id = text(L"id"),
            .longName = text(L"lName"),
            .shortName = text(L"sName"),
            .inn = text(L"inn"),
            .fixCommission = text(L"fix-com"),
            .profileId = text(L"profile-id"),
            .minSum = TextToCurrency(text(L"minSum")),
            .maxSum = TextToCurrency(text(L"maxSum"))};
}

std::string Markup(const std::vector<XmlNode>& elements) {
    std::wstring markup;
    for (const XmlNode& element : elements)
        markup += XmlMarkup(element);
    return WideToUtf8(markup);
}

std::wstring FileSize(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    CheckWin32(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
    return std::to_wstring((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

} // namespace

const CatalogueProvider* Catalogue::Find(std::wstring_view id) const {
    for (const CatalogueProvider& provider : providers)
        if (provider.id == id)
            return &provider;
    return nullptr;
}

Catalogue LoadCatalogue(const std::wstring& file) {
    XmlDocument doc;
    if (!doc.Load(file))
        throw Exception(L"cannot read the catalogue " + file + L": " + doc.ParseErrorReason());
    const std::vector<XmlNode> providers = doc.SelectNodes(L"/providers/provider");
    Catalogue catalogue{.providerMarkup = Markup(providers),
                        .profileMarkup = Markup(doc.SelectNodes(L"/providers/profile")),
                        .configId =
                            file.substr(file.find_last_of(L"\\/") + 1) + L"-" + FileSize(file)};
    for (const XmlNode& provider : providers)
        catalogue.providers.push_back(ReadProvider(provider));
    return catalogue;
}

} // namespace svcgate::tools
