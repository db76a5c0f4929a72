// The operations that move no money: the dealer's data and balance, the payer's
// identification, and a person's public key.

#include "common/uCommonUtils.Dates.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "common/uEquipmentErrors.h"
#include "gateway/GatewayValues.h"
#include "gateway/uDevice.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewayTexts.h"

namespace svcgate {

using namespace GatewayTexts;

namespace {

void ReadAgent(const XmlNode& agent, TAgentInfo& info) {
    const std::pair<std::wstring*, const wchar_t*> fields[] = {
        {&info.Address, L"address"},    {&info.FIO, L"fio"},      {&info.ID, L"id"},
        {&info.Info, L"info"},          {&info.INN, L"inn"},      {&info.Name, L"name"},
        {&info.Phone, L"phone"},        {&info.WWW, L"www"},      {&info.CntPhone, L"cnt-phone"},
        {&info.CntEmail, L"cnt-email"}, {&info.CurID, L"cur-id"},
    };
    for (const auto& [field, attribute] : fields)
        *field = ReadNodeAttribute(agent, attribute, L"");
}

} // namespace

// Each agent element overwrites the whole record: the last one is the answer.
std::int32_t TDevice::GetAgentInfo(TAgentInfo& AgentInfo) {
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Groups::Agents, Operations::GetAgentInfo, Doc);
    if (result != ResultCode::Success)
        return result;
    const std::vector<XmlNode> agents = Doc.SelectNodes(
        ChildPath(OperationPath(Groups::Agents, Operations::GetAgentInfo), AgentElement));
    if (agents.empty())
        return NotFound();
    for (const XmlNode& agent : agents)
        ReadAgent(agent, AgentInfo);
    return result;
}

std::int32_t TDevice::GetBalance(Currency& Balance, Currency& TreeBalance, Currency& Overdraft) {
    Balance = TreeBalance = Overdraft = 0;
    XmlDocument Doc;
    const std::int32_t result = ExecuteRequest(Groups::Agents, Operations::GetBalance, Doc);
    if (result != ResultCode::Success)
        return result;
    const XmlNode balance =
        Doc.SelectSingleNode(OperationPath(Groups::Agents, Operations::GetBalance));
    if (!balance)
        return NotFound();
    const std::pair<Currency*, const wchar_t*> values[] = {
        {&Balance, L"./balance"}, {&TreeBalance, L"./tree-balance"}, {&Overdraft, L"./overdraft"}};
    for (const auto& [value, path] : values) {
        const XmlNode node = balance.SelectSingleNode(path);
        const std::optional<Currency> amount =
            node ? TryTextToCurrency(node.Text()) : std::optional<Currency>(0);
        if (!amount) {
            Balance = TreeBalance = Overdraft = 0;
            return Fail(ParseFailed, node.Text());
        }
        *value = *amount;
    }
    return result;
}

std::int32_t TDevice::GetNeedIdentifyUser(const std::wstring& Phone, bool& NeedIdentifyUser) {
    XmlDocument Doc;
    const std::int32_t result =
        ExecuteRequest(Groups::System, Operations::NeedIdentifyUser, Doc, {Phone}, {PhoneElement});
    if (result != ResultCode::Success)
        return result;
    const XmlNode identify = Doc.SelectSingleNode(
        ChildPath(OperationPath(Groups::System, Operations::NeedIdentifyUser), IdentifyElement));
    if (!identify)
        return NotFound();
    NeedIdentifyUser = FlagOf(identify.Text());
    return result;
}

std::int32_t TDevice::SetIdentifyUser(const std::wstring& Phone, const std::wstring& FirstName,
                                      const std::wstring& MiddleName, const std::wstring& LastName,
                                      const std::wstring& PassportNumber, const std::wstring& INN,
                                      const std::wstring& Snils, const std::wstring& OMS,
                                      double BirthDate) {
    XmlDocument Doc;
    return ExecuteRequest(Groups::System, Operations::SetIdentifyUser, Doc,
                          {Phone, FirstName, MiddleName, LastName, PassportNumber, INN, Snils, OMS,
                           DateToText(BirthDate)},
                          {std::begin(IdentifyUserParameters), std::end(IdentifyUserParameters)});
}

// The person's own document: the login and password given, whatever the
// client's, and no "client" element.
bool TDevice::SetPublicKey(const std::wstring& ALogin, const std::wstring& APassword) {
    std::string publicKey;
    const bool keyMade = FEToken.CreateKey(ALogin) && FEToken.GetPublicKey(ALogin, publicKey);
    FLastResultDescription = FEToken.LastErrorDescription();
    if (!keyMade)
        return false;
    XmlDocument Doc;
    const XmlNode root = Doc.CreateRoot(RequestElement);
    AppendAuth(Doc, root, ALogin, APassword);
    const XmlNode operation =
        AppendElement(Doc, AppendElement(Doc, root, Groups::Persons), Operations::SetPublicKey);
    AppendElement(Doc, operation, StoreTypeElement).SetText(PublicKeyStoreType);
    AppendElement(Doc, operation, PublicKeyElement)
        .SetText(std::wstring(publicKey.begin(), publicKey.end()));
    std::int32_t result = SendRequest(Doc);
    if (result == ResultCode::Success)
        result = CheckResponse(Doc, OperationPath(Groups::Persons, Operations::SetPublicKey));
    if (result != ResultCode::UnknownError)
        FLastResultDescription = EquipmentResultText(result);
    return result == ResultCode::Success;
}

} // namespace svcgate
