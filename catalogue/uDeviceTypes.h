#pragma once
// The provider catalogue with its input fields and commission profiles, and the
// types the catalogue and the gateway client share.

#include "catalogue/uCatalogueTexts.h"
#include "common/Xml.h"
#include "common/uCommonUtils.Money.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace svcgate {

// A payment's state at the gateway; the gateway sends the ordinal.
enum TPaymentStatus : std::uint8_t { psError, psExecuting, psCompleted, psAutorized };

enum TPaymentMode { pmCheck, pmOnLine, pmOffLine };

// The provider every catalogue holds; payments to it are the gateway's test payments.
constexpr const wchar_t* TestProviderID = L"11111";

// One input field a cashier fills for a payment to a provider.
class TProviderControl {
public:
    const std::wstring& Mask() const { return FMask; }
    const std::wstring& DefaultData() const { return FDefaultData; }
    const std::wstring& Description() const { return FDescription; }
    const std::wstring& ControlName() const { return FControlName; }
    bool Identification() const { return FIdentification; }

private:
    friend class TProviderControls;
    friend class TProviders;
    std::wstring FMask;
    std::wstring FDefaultData;
    std::wstring FDescription;
    std::wstring FControlName;
    bool FIdentification = false;
};

class TProviderControls {
public:
    size_t Count() const { return FItems.size(); }
    const TProviderControl& GetItem(size_t Index) const { return *FItems.at(Index); }
    // The first control of that name (exact comparison), or none.
    const TProviderControl* GetItemByName(const std::wstring& ParameterName) const;
    // Replaces the controls by the "text_input" ones among `xmlNodes`.
    void LoadFromXML(const std::vector<XmlNode>& xmlNodes);
    void SaveToXML(XmlDocument& xmlDoc, const XmlNode& xmlRootNode) const;
    TProviderControl& Add();
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TProviderControl>> FItems;
};

// One service the terminal may sell.
class TProvider {
public:
    const std::wstring& ProviderID() const { return FProviderID; }
    const std::wstring& INN() const { return FINN; }
    const std::wstring& SupportPhone() const { return FSupportPhone; }
    const std::wstring& ShortName() const { return FShortName; }
    Currency MaxAmount() const { return FMaxAmount; }
    const std::wstring& ReceiptName() const { return FReceiptName; }
    const std::wstring& LongName() const { return FLongName; }
    Currency MinAmount() const { return FMinAmount; }
    const std::wstring& FiscalName() const { return FFiscalName; }
    bool NeedPersonalInfo() const { return FNeedPersonalInfo; }
    Currency FixCommission() const { return FFixCommission; }
    const std::wstring& ComissionProfileID() const { return FComissionProfileID; }
    const std::wstring& CurrencyCode() const { return FCurrencyCode; }
    const TProviderControls& ProviderControls() const { return FProviderControls; }

private:
    friend class TProviders;
    std::wstring FProviderID;
    std::wstring FINN;
    std::wstring FSupportPhone;
    std::wstring FShortName;
    Currency FMaxAmount = 0;
    std::wstring FReceiptName;
    std::wstring FLongName;
    Currency FMinAmount = 0;
    std::wstring FFiscalName;
    bool FNeedPersonalInfo = false;
    Currency FFixCommission = 0;
    std::wstring FComissionProfileID;
    std::wstring FCurrencyCode = CatalogueTexts::DefaultCurrencyCode;
    TProviderControls FProviderControls;
};

// One rule of a commission profile. Hours are fractions of a day (0.5 is noon).
struct TComissionRule {
    std::int32_t FOrder = 0;
    Currency FComFix = 0;
    Currency FComPercent = 0;
    Currency FComMin = 0;
    Currency FComMax = 0;
    Currency FToAmount = 0;
    Currency FFromAmount = 0;
    double FFromHour = 0;
    double FToHour = 0;
};

// Whether the rule applies to `Amount` at the time of day `Now` (a fraction of a
// day), and the commission it gives: the percentage part rounded halves to even
// in extended precision, bounded, plus the fixed part.
bool ApplyComissionRule(const TComissionRule& Rule, Currency Amount, double Now, Currency& Sum);

class TComissionProfile {
public:
    const std::wstring& ProfileID() const { return FProfileID; }
    const std::vector<TComissionRule>& ComissionRules() const { return FComissionRules; }
    // Ascending FOrder.
    void SortRules();

private:
    friend class TComissinProfiles;
    std::wstring FProfileID;
    std::vector<TComissionRule> FComissionRules;
};

class TComissinProfiles {
public:
    size_t Count() const { return FItems.size(); }
    const TComissionProfile& GetItem(size_t Index) const { return *FItems.at(Index); }
    const TComissionProfile* GetItemByProfileID(const std::wstring& ProfileID) const;
    // Replaces all profiles by those of the "profile" elements.
    void LoadFromXML(const std::vector<XmlNode>& xmlNodes);
    void SaveToXML(XmlDocument& xmlDoc, const XmlNode& xmlRootNode) const;
    void Clear() { FItems.clear(); }
    // The first amount since the last call that was no number, read as 0.
    std::optional<std::wstring> TakeUnreadAmount() { return std::exchange(FUnreadAmount, {}); }

private:
    std::vector<std::unique_ptr<TComissionProfile>> FItems;
    std::optional<std::wstring> FUnreadAmount;
};

class TProviders {
public:
    size_t Count() const { return FItems.size(); }
    const TProvider& GetItem(size_t Index) const { return *FItems.at(Index); }
    // The first provider of that identifier (exact comparison), or none.
    const TProvider* GetItemByID(const std::wstring& ProviderID) const;
    TComissinProfiles& ComissinProfiles() { return FComissinProfiles; }
    const TComissinProfiles& ComissinProfiles() const { return FComissinProfiles; }

    // The gateway's provider rows.
    void LoadFromXML(const std::vector<XmlNode>& xmlNodes);
    // The "provider" elements of the gateway or of the cache file; always ends
    // with the test provider present.
    void LoadUIFromXML(const std::vector<XmlNode>& xmlNodes, bool FullReload);
    // The gateway's commission rows, matched to providers by identifier.
    void LoadCommissionsFromXML(const std::vector<XmlNode>& xmlNodes);
    // The whole catalogue, profiles included, as the cache file holds it.
    XmlDocument SaveToXML() const;
    // The first amount of the providers' or the profiles' loads since the last
    // call that was no number (it was read as 0): such a catalogue is damaged.
    std::optional<std::wstring> TakeUnreadAmount();
    void Clear();

private:
    // The names of the fields a gateway row and a "provider" element both hold.
    struct AttributeNames;

    void AddTestProvider();
    TProvider* FindProvider(const std::wstring& ProviderID) const;
    TProvider& AppendProvider(std::wstring ProviderID);
    void LoadUIProvider(const XmlNode& node, bool FullReload);
    static void ReadNames(TProvider& provider, const XmlNode& node, const AttributeNames& names);
    void ReadLimits(TProvider& provider, const XmlNode& node, const AttributeNames& names);
    void ReadUIFields(TProvider& provider, const XmlNode& node);
    static void SaveProvider(XmlDocument& xmlDoc, const XmlNode& xmlRootNode,
                             const TProvider& provider);

    std::vector<std::unique_ptr<TProvider>> FItems;
    // The first provider of each identifier: commission rows and payments look
    // providers up one at a time, which a scan of 10,000 would make quadratic.
    std::unordered_map<std::wstring, TProvider*> FIndex;
    TComissinProfiles FComissinProfiles;
    std::optional<std::wstring> FUnreadAmount;
};

} // namespace svcgate
