// Bringing the client into service: numbering, configuration, currency, and the
// catalogue and result texts from the cache files or the gateway.

#include "common/SharedFiles.h"
#include "common/Text.h"
#include "common/uCommonUtils.Dates.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "common/uEquipmentErrors.h"
#include "gateway/CacheFiles.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayTexts.h"

#include <functional>
#include <optional>

namespace svcgate {

using namespace GatewayTexts;

std::int32_t TDevice::Enable(bool FullReload) {
    FEnabled = false;
    const bool cacheRead = ReadSettings();
    const std::wstring storedConfigID = FTerminalConfigID;
    std::int32_t result = GetLastIds();
    if (result == ResultCode::Success)
        result = GetConfigId();
    TAgentInfo agent;
    if (result == ResultCode::Success)
        result = GetAgentInfo(agent);
    if (result != ResultCode::Success)
        return result;
    FCurrencyCode = agent.CurID;
    const bool fresh = cacheRead && FTerminalConfigID == storedConfigID && !FResultCodes.empty() &&
                       FProviders.Count() > 0;
    if (!fresh || FullReload)
        result = RefreshCatalogue();
    FEnabled = result == ResultCode::Success;
    return result;
}

// The files are written only when every part arrived: a refresh that fails on the
// way leaves the cache as it was.
std::int32_t TDevice::RefreshCatalogue() {
    for (auto step : {&TDevice::GetResultCodes, &TDevice::GetUIProviders, &TDevice::GetCommisions,
                      &TDevice::GetCommissionProfiles})
        if (const std::int32_t result = (this->*step)(); result != ResultCode::Success)
            return result;
    SaveSettings();
    return ResultCode::Success;
}

// A file unchanged since this client read or wrote it holds what memory holds:
// an unchanged configuration then costs its three small exchanges and no
// re-reading of a catalogue of thousands of providers.
bool TDevice::ReadSettings() {
    const CacheFilesLock lock;
    if (!lock.Held())
        return false;
    const std::wstring folder = GetDataFolder();
    const std::wstring settings = folder + SettingsFile;
    if (StampOf(settings))
        FTerminalConfigID = ReadIniText(settings, SettingsSection, ConfigIDKey);
    const std::wstring resultCodes = folder + ResultCodesFile;
    const std::optional<FileStamp> codesStamp = StampOf(resultCodes);
    if (codesStamp && codesStamp != FResultCodesStamp) {
        FResultCodes = ReadTextLines(resultCodes);
        FResultCodesStamp = codesStamp;
    }
    const std::wstring providers = folder + ProvidersFile;
    const std::optional<FileStamp> providersStamp = StampOf(providers);
    if (!providersStamp || providersStamp == FProvidersStamp)
        return true;
    FProvidersStamp.reset();
    if (!ReadCatalogue(providers)) {
        FProviders.Clear();
        return false;
    }
    FProvidersStamp = providersStamp;
    return true;
}

// A damaged file (not XML, an amount that does not parse) is no catalogue: read
// as far as it goes, it would leave the test provider alone, which looks fresh.
bool TDevice::ReadCatalogue(const std::wstring& path) {
    XmlDocument catalogue;
    const std::optional<std::string> bytes = ReadSharedFile(path);
    if (!bytes || !catalogue.LoadBytes(*bytes))
        return false;
    FProviders.LoadUIFromXML(catalogue.SelectNodes(L"//" + std::wstring(ProviderElement)), true);
    FProviders.ComissinProfiles().LoadFromXML(
        catalogue.SelectNodes(L"//" + std::wstring(ProfileElement)));
    return !FProviders.TakeUnreadAmount();
}

// The configuration identifier declares the set fresh, so it is written last: a
// save that fails on the way leaves the old one, and the next "Enable" refreshes.
void TDevice::SaveSettings() {
    const CacheFilesLock lock;
    if (!lock.Held())
        return;
    const std::wstring folder = GetDataFolder();
    if (!FResultCodes.empty()) {
        WriteTextLines(folder + ResultCodesFile, FResultCodes);
        FResultCodesStamp = StampOf(folder + ResultCodesFile);
    }
    if (FProviders.Count() > 0) {
        SaveXmlToDataFolder(FProviders.SaveToXML(), ProvidersFile);
        FProvidersStamp = StampOf(folder + ProvidersFile);
    }
    WriteIniText(folder + SettingsFile, SettingsSection, ConfigIDKey, FTerminalConfigID);
}

std::int32_t TDevice::GetConfigId() {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Groups::Terminals, Operations::GetConfigId, Doc);
    if (result == ResultCode::Success)
        if (const XmlNode id = Doc.SelectSingleNode(ChildPath(
                OperationPath(Groups::Terminals, Operations::GetConfigId), ConfigIdElement)))
            FTerminalConfigID = id.Text();
    return result;
}

// A failed or empty answer keeps the table the client has, so texts fall back
// to the cache file's or the built-in ones.
std::int32_t TDevice::GetResultCodes() {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Groups::System, Operations::GetResultCodes, Doc);
    if (result != ResultCode::Success)
        return result;
    const std::vector<XmlNode> rows = Doc.SelectNodes(
        ChildPath(OperationPath(Groups::System, Operations::GetResultCodes), RowElement));
    if (rows.empty())
        return result;
    FResultCodes.clear();
    FResultCodesStamp.reset();
    for (const XmlNode& row : rows) {
        const std::wstring id = AnsiOnly(ReadNodeAttribute(row, ErrorIdAttribute, L""));
        if (!id.empty())
            SetNameValue(FResultCodes, id,
                         AnsiOnly(ReadNodeAttribute(row, ErrorTextAttribute, L"")));
    }
    return result;
}

// One part of the catalogue: the exchange, then the answer's nodes to their
// loader when there are any.
std::int32_t TDevice::FetchCatalogue(const wchar_t* Group, const wchar_t* Operation,
                                     const std::wstring& Path,
                                     const std::function<void(const std::vector<XmlNode>&)>& Load) {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Group, Operation, Doc);
    if (result != ResultCode::Success)
        return result;
    const std::vector<XmlNode> nodes = Doc.SelectNodes(Path);
    if (!nodes.empty()) {
        FProvidersStamp.reset();
        Load(nodes);
    }
    if (const std::optional<std::wstring> unread = FProviders.TakeUnreadAmount())
        return Fail(ParseFailed, *unread);
    return result;
}

std::int32_t TDevice::GetUIProviders() {
    return FetchCatalogue(
        Groups::Providers, Operations::GetUIProviders,
        ChildPath(OperationPath(Groups::Providers, Operations::GetUIProviders), ProviderElement),
        [this](const auto& nodes) { FProviders.LoadUIFromXML(nodes, true); });
}

std::int32_t TDevice::GetCommisions() {
    return FetchCatalogue(
        Groups::Terminals, Operations::GetCommissions,
        ChildPath(OperationPath(Groups::Terminals, Operations::GetCommissions), RowElement),
        [this](const auto& rows) { FProviders.LoadCommissionsFromXML(rows); });
}

// The profiles are looked for under the operation wherever its group puts it.
std::int32_t TDevice::GetCommissionProfiles() {
    return FetchCatalogue(
        Groups::Terminals, Operations::GetCommissionProfiles,
        ChildPath(L"//" + std::wstring(Operations::GetCommissionProfiles), ProfileElement),
        [this](const auto& profiles) { FProviders.ComissinProfiles().LoadFromXML(profiles); });
}

std::int32_t TDevice::GetProviders() {
    return FetchCatalogue(
        Groups::Providers, Operations::GetProviders,
        ChildPath(OperationPath(Groups::Providers, Operations::GetProviders), RowElement),
        [this](const auto& rows) { FProviders.LoadFromXML(rows); });
}

// The first rule that applies at this time of day gives the commission; with
// none, the provider's fixed commission value is the answer.
std::int32_t TDevice::CalculateComission(const std::wstring& ProviderID, Currency Amount,
                                         Currency& Sum, Currency& Percent) {
    Sum = Percent = 0;
    const TProvider* provider = FProviders.GetItemByID(ProviderID);
    if (!provider)
        return NotFound();
    const TComissionProfile* profile =
        FProviders.ComissinProfiles().GetItemByProfileID(provider->ComissionProfileID());
    if (profile)
        for (const TComissionRule& rule : profile->ComissionRules())
            if (ApplyComissionRule(rule, Amount, TimeOfDayNow(), Sum))
                return ResultCode::Success;
    Sum = 0;
    Percent = provider->FixCommission();
    return ResultCode::Success;
}

} // namespace svcgate
