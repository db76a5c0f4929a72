#include "catalogue/uDeviceTypes.h"

#include "catalogue/uCatalogueAttributes.h"
#include "catalogue/uCatalogueTexts.h"

#include <algorithm>

namespace svcgate {

namespace Texts = CatalogueTexts;

namespace {

// What "./pages/page/controls/control" selects below a provider. Walked rather
// than selected: for 10,000 providers the relative paths took about 80 ms under
// Wine, the walk about 25.
std::vector<XmlNode> ControlElements(const XmlNode& provider) {
    std::vector<XmlNode> level;
    level.push_back(provider.Share());
    for (const wchar_t* name : {Texts::Pages, Texts::Page, Texts::Controls, Texts::Control}) {
        std::vector<XmlNode> below;
        for (const XmlNode& node : level)
            for (XmlNode& child : node.ChildElements(name))
                below.push_back(std::move(child));
        level = std::move(below);
    }
    return level;
}

std::vector<std::wstring> ProviderValues(const TProvider& provider) {
    return {provider.ProviderID(),
            provider.LongName(),
            provider.INN(),
            provider.SupportPhone(),
            provider.ReceiptName(),
            provider.ShortName(),
            provider.CurrencyCode(),
            CurrencyToText(provider.MaxAmount()),
            CurrencyToText(provider.MinAmount()),
            provider.NeedPersonalInfo() ? Texts::NeedPersonalInfoTrue
                                        : Texts::NeedPersonalInfoFalse,
            CurrencyToText(provider.FixCommission()),
            provider.ComissionProfileID()};
}

// In the order of ProviderValues.
const std::vector<std::wstring> ProviderAttributes{
    Texts::ID,          Texts::LongName,         Texts::INN,           Texts::SupportPhone,
    Texts::ReceiptName, Texts::ShortName,        Texts::CurrencyCode,  Texts::MaxAmount,
    Texts::MinAmount,   Texts::NeedPersonalInfo, Texts::FixCommission, Texts::ComissionProfileID};

const std::vector<std::wstring> ControlAttributes{Texts::ControlName, Texts::Header, Texts::Mask,
                                                  Texts::Type};

} // namespace

const TProviderControl* TProviderControls::GetItemByName(const std::wstring& ParameterName) const {
    const auto found = std::ranges::find(FItems, ParameterName, &TProviderControl::FControlName);
    return found == FItems.end() ? nullptr : found->get();
}

void TProviderControls::LoadFromXML(const std::vector<XmlNode>& xmlNodes) {
    Clear();
    for (const XmlNode& node : xmlNodes) {
        if (ReadText(node, Texts::Type) != Texts::TextInput)
            continue;
        TProviderControl& control = Add();
        control.FControlName = ReadText(node, Texts::ControlName);
        control.FDescription = ReadText(node, Texts::Header) + Texts::DescriptionLineBreak +
                               ReadText(node, Texts::Footer);
        control.FMask = ReadText(node, Texts::Mask);
        control.FIdentification = ReadText(node, Texts::DisplayType) == Texts::Identification;
    }
}

void TProviderControls::SaveToXML(XmlDocument& xmlDoc, const XmlNode& xmlRootNode) const {
    for (const auto& control : FItems) {
        const XmlNode element = AppendElementWithAttributes(
            xmlDoc, xmlRootNode, Texts::Control,
            {control->FControlName, control->FDescription, control->FMask, Texts::TextInput},
            ControlAttributes);
        if (control->FIdentification)
            SetNodeAttribute(xmlDoc, element, Texts::DisplayType, Texts::Identification);
    }
}

TProviderControl& TProviderControls::Add() {
    return *FItems.emplace_back(std::make_unique<TProviderControl>());
}

const TProvider* TProviders::GetItemByID(const std::wstring& ProviderID) const {
    return FindProvider(ProviderID);
}

TProvider* TProviders::FindProvider(const std::wstring& ProviderID) const {
    const auto found = FIndex.find(ProviderID);
    return found == FIndex.end() ? nullptr : found->second;
}

TProvider& TProviders::AppendProvider(std::wstring ProviderID) {
    TProvider& provider = *FItems.emplace_back(std::make_unique<TProvider>());
    provider.FProviderID = std::move(ProviderID);
    FIndex.try_emplace(provider.FProviderID, &provider);
    return provider;
}

void TProviders::Clear() {
    FIndex.clear();
    FItems.clear();
}

struct TProviders::AttributeNames {
    const wchar_t* FiscalName;
    const wchar_t* LongName;
    const wchar_t* INN;
    const wchar_t* SupportPhone;
    const wchar_t* ReceiptName;
    const wchar_t* ShortName;
    const wchar_t* MaxAmount;
    const wchar_t* MinAmount;
};

void TProviders::LoadFromXML(const std::vector<XmlNode>& xmlNodes) {
    static constexpr AttributeNames RowNames{
        Texts::RowFiscalName,  Texts::RowLongName,  Texts::RowINN,       Texts::RowSupportPhone,
        Texts::RowReceiptName, Texts::RowShortName, Texts::RowMaxAmount, Texts::RowMinAmount};
    Clear();
    for (const XmlNode& node : xmlNodes) {
        TProvider& provider = AppendProvider(ReadText(node, Texts::RowProviderID));
        ReadNames(provider, node, RowNames);
        ReadLimits(provider, node, RowNames);
    }
}

void TProviders::ReadNames(TProvider& provider, const XmlNode& node, const AttributeNames& names) {
    provider.FFiscalName = ReadText(node, names.FiscalName);
    provider.FLongName = ReadText(node, names.LongName);
    provider.FINN = ReadText(node, names.INN);
    provider.FSupportPhone = ReadText(node, names.SupportPhone);
    provider.FReceiptName = ReadText(node, names.ReceiptName);
    provider.FShortName = ReadText(node, names.ShortName);
}

std::optional<std::wstring> TProviders::TakeUnreadAmount() {
    std::optional<std::wstring> providers = std::exchange(FUnreadAmount, {});
    std::optional<std::wstring> profiles = FComissinProfiles.TakeUnreadAmount();
    return providers ? providers : profiles;
}

void TProviders::ReadLimits(TProvider& provider, const XmlNode& node, const AttributeNames& names) {
    provider.FMaxAmount = ReadAmount(node, names.MaxAmount, FUnreadAmount);
    provider.FMinAmount = ReadAmount(node, names.MinAmount, FUnreadAmount);
}

void TProviders::LoadUIFromXML(const std::vector<XmlNode>& xmlNodes, bool FullReload) {
    if (FullReload)
        Clear();
    try {
        for (const XmlNode& node : xmlNodes)
            LoadUIProvider(node, FullReload);
    } catch (...) {
        // A load that fails half-way still leaves a catalogue to test the gateway with.
        AddTestProvider();
        throw;
    }
    AddTestProvider();
}

void TProviders::LoadUIProvider(const XmlNode& node, bool FullReload) {
    std::wstring id = ReadText(node, Texts::ID);
    if (id.empty())
        return;
    TProvider* existing = FullReload ? nullptr : FindProvider(id);
    TProvider& provider = existing ? *existing : AppendProvider(std::move(id));
    ReadUIFields(provider, node);
    provider.FProviderControls.LoadFromXML(ControlElements(node));
}

void TProviders::ReadUIFields(TProvider& provider, const XmlNode& node) {
    static constexpr AttributeNames UINames{
        Texts::FiscalName,  Texts::LongName,  Texts::INN,       Texts::SupportPhone,
        Texts::ReceiptName, Texts::ShortName, Texts::MaxAmount, Texts::MinAmount};
    ReadNames(provider, node, UINames);
    provider.FCurrencyCode =
        ReadNodeAttribute(node, Texts::CurrencyCode, Texts::DefaultCurrencyCode);
    ReadLimits(provider, node, UINames);
    provider.FNeedPersonalInfo =
        ReadText(node, Texts::NeedPersonalInfo) == Texts::NeedPersonalInfoTrue;
    // An empty one keeps the fixed commission a gateway's commission row gave.
    if (!ReadText(node, Texts::FixCommission).empty())
        provider.FFixCommission = ReadAmount(node, Texts::FixCommission, FUnreadAmount);
    provider.FComissionProfileID = ReadText(node, Texts::ComissionProfileID);
}

void TProviders::LoadCommissionsFromXML(const std::vector<XmlNode>& xmlNodes) {
    for (const XmlNode& node : xmlNodes) {
        const std::wstring id = ReadText(node, Texts::RowProviderID);
        TProvider* provider = id.empty() ? nullptr : FindProvider(id);
        if (!provider)
            continue;
        provider->FFixCommission = ReadAmount(node, Texts::FixCommission, FUnreadAmount);
        provider->FComissionProfileID = ReadText(node, Texts::ComissionProfileID);
    }
}

void TProviders::AddTestProvider() {
    if (FindProvider(TestProviderID))
        return;
    TProvider& provider = AppendProvider(TestProviderID);
    provider.FLongName = provider.FShortName = provider.FFiscalName = Texts::TestProviderName;
    provider.FProviderControls.Add().FControlName = Texts::TestControlName;
}

XmlDocument TProviders::SaveToXML() const {
    XmlDocument xmlDoc;
    const XmlNode root = xmlDoc.CreateRoot(Texts::Providers);
    for (const auto& provider : FItems)
        SaveProvider(xmlDoc, root, *provider);
    FComissinProfiles.SaveToXML(xmlDoc, root);
    return xmlDoc;
}

void TProviders::SaveProvider(XmlDocument& xmlDoc, const XmlNode& xmlRootNode,
                              const TProvider& provider) {
    XmlNode parent = AppendElementWithAttributes(xmlDoc, xmlRootNode, Texts::Provider,
                                                 ProviderValues(provider), ProviderAttributes);
    // The chain is written also for a provider without controls.
    for (const wchar_t* name : {Texts::Pages, Texts::Page, Texts::Controls})
        parent = AppendElement(xmlDoc, parent, name);
    provider.FProviderControls.SaveToXML(xmlDoc, parent);
}

} // namespace svcgate
