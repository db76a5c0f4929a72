// What the host sells through the driver: the catalogue as tables, and the
// operations of a sale, each turned into the gateway client's calls.

#include "driver/uDriver.h"

#include "common/Text.h"
#include "common/Variants.h"
#include "common/Xml.h"
#include "common/uCommonUtils.Money.h"
#include "common/uEquipmentErrors.h"
#include "driver/uDriverTexts.h"
#include "gateway/GatewayValues.h"
#include "gateway/uGatewayResults.h"

#include <optional>

namespace svcgate {

using namespace DriverTexts;

namespace {

unique_variant AttributeTable(bool identification) {
    unique_safearray table = CreateVariantMatrix(2, 1);
    PutElement(table.get(), 0, 0, MakeVariant(IdentificationAttribute).get());
    PutElement(table.get(), 1, 0, MakeBoolVariant(identification).get());
    return MakeArrayVariant(std::move(table));
}

// A payment identifier from the host: a decimal text, blanks around it allowed.
std::optional<std::int32_t> PaymentNumber(const std::wstring& text) {
    return DecimalCode(std::wstring(Trim(text)));
}

// An extras name goes out as an attribute's name: one the request cannot carry
// as it is would change the request (Wine's MSXML writes such names unescaped).
bool IsExtrasName(const std::wstring& name) {
    return IsXmlName(name) && AnsiOnly(name) == name;
}

// The account row and the extras of a parameter table; none when the table is
// not one the host could mean.
bool ReadParameters(const VARIANT& Parameters, std::wstring& account,
                    std::vector<std::wstring>& extras) {
    SAFEARRAY* table = ArrayOf(Parameters);
    if (!IsVariantArray(table, 2) || LowerBound(table, 1) > 0 || UpperBound(table, 1) < 1)
        return false;
    for (long k = LowerBound(table, 2); k <= UpperBound(table, 2); ++k) {
        std::optional<unique_variant> name =
            TryConvertVariant(GetElement(table, 0, k).get(), VT_BSTR);
        std::optional<unique_variant> value =
            TryConvertVariant(GetElement(table, 1, k).get(), VT_BSTR);
        if (!name || !value)
            return false;
        const std::wstring key = VariantToText(name->get());
        if (key == AccountParameter)
            account = VariantToText(value->get());
        else if (!IsExtrasName(key))
            return false;
        else
            SetNameValue(extras, key, VariantToText(value->get()));
    }
    return true;
}

} // namespace

std::int32_t TDriver::GetServiceCodes(std::int32_t, unique_variant& ServiceCodes, std::wstring&) {
    ServiceCodes.reset();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    const TProviders& providers = FDevice->Providers();
    unique_safearray table = CreateVariantMatrix(2, static_cast<long>(providers.Count()));
    for (size_t i = 0; i < providers.Count(); ++i) {
        const long row = static_cast<long>(i);
        PutElement(table.get(), 0, row, MakeVariant(providers.GetItem(i).ProviderID()).get());
        PutElement(table.get(), 1, row, MakeVariant(providers.GetItem(i).LongName()).get());
    }
    ServiceCodes = MakeArrayVariant(std::move(table));
    return ResultCode::Success;
}

std::int32_t TDriver::GetServiceParams(const std::wstring& ServiceCode, std::int32_t,
                                       unique_variant& ServiceParams, std::wstring&) {
    ServiceParams.reset();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    const TProvider* provider = FDevice->Providers().GetItemByID(ServiceCode);
    if (!provider)
        return ResultCode::ServiceNotFound;
    const TProviderControls& controls = provider->ProviderControls();
    unique_safearray table = CreateVariantMatrix(5, static_cast<long>(controls.Count()));
    for (size_t j = 0; j < controls.Count(); ++j) {
        const TProviderControl& control = controls.GetItem(j);
        const long row = static_cast<long>(j);
        PutElement(table.get(), 0, row, MakeVariant(control.ControlName()).get());
        PutElement(table.get(), 1, row, MakeVariant(control.DefaultData()).get());
        PutElement(table.get(), 2, row, MakeVariant(control.Description()).get());
        PutElement(table.get(), 3, row, MakeVariant(control.Mask()).get());
        PutElement(table.get(), 4, row, AttributeTable(control.Identification()).get());
    }
    ServiceParams = MakeArrayVariant(std::move(table));
    return ResultCode::Success;
}

// The requisites are checked first; only a payment the gateway accepted is
// registered, at once, with the same numbers.
std::int32_t TDriver::AuthorizeService(const std::wstring& ServiceCode, unique_variant& Parameters,
                                       double, double AmountTo, double AmountFrom, std::int32_t,
                                       unique_variant& Answer, std::wstring&) {
    Answer.reset();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    std::wstring account;
    std::vector<std::wstring> extras;
    const std::optional<Currency> to = ToMoney(AmountTo), from = ToMoney(AmountFrom);
    if (!ReadParameters(Parameters.get(), account, extras) || account.empty() || !to || !from)
        return ResultCode::BadInput;
    TPaymentStatus status = psError;
    std::int32_t paymentID = 0;
    std::wstring transactionID;
    std::int32_t result = FDevice->AuthorizePayment(*from, *to, ServiceCode, account, extras,
                                                    pmCheck, status, paymentID, transactionID);
    if (result == ResultCode::Success)
        result = FDevice->AuthorizePayment(*from, *to, ServiceCode, account, extras, pmOffLine,
                                           status, paymentID, transactionID);
    Answer = MakeVariantArray(MakeVariant(transactionID), MakeVariant(std::to_wstring(paymentID)),
                              MakeVariant(L""), MakeVariant(L""), unique_variant());
    return result;
}

std::int32_t TDriver::GetAuthorizationStatus(const std::wstring&, const std::wstring&,
                                             const std::wstring& PaymentID, std::int32_t,
                                             std::int32_t& Status, std::wstring& StatusText,
                                             std::wstring&) {
    StatusText.clear();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    const std::optional<std::int32_t> payment = PaymentNumber(PaymentID);
    if (!payment)
        return ResultCode::BadInput;
    std::int32_t code = 0;
    std::wstring description;
    TPaymentStatus status = psError;
    bool fatal = false;
    const std::int32_t result =
        FDevice->GetPaymentStatus(*payment, code, description, status, fatal);
    if (result != ResultCode::Success)
        return result;
    // The host knows three states: completed, in progress, failed. A payment
    // without its own result, or in a state the gateway does not define, is in
    // none of them: reported as completed or failed, it could be sold twice.
    static constexpr std::int32_t hostStatus[] = {2, 1, 0, 1};
    if (code == -1 || status >= std::size(hostStatus))
        return ResultCode::ProtocolError;
    Status = hostStatus[status];
    PaymentStatusText(status, StatusText);
    return result;
}

std::int32_t TDriver::Settlement(std::int32_t, unique_variant& Answer, std::wstring&) {
    Answer.reset();
    return InService() ? ResultCode::Success : ResultCode::DeviceNotEnabled;
}

std::int32_t TDriver::CancelServiceAuthorization(const std::wstring& TransactionID,
                                                 const std::wstring& PaymentID, std::int32_t,
                                                 Currency, Currency,
                                                 std::wstring& CancelTransactionID,
                                                 std::wstring& Output1, std::wstring& Output2,
                                                 std::wstring&) {
    CancelTransactionID.clear();
    Output1.clear();
    Output2.clear();
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    const std::optional<std::int32_t> payment = PaymentNumber(PaymentID);
    if (!payment || *payment == -1)
        return ResultCode::BadInput;
    TPaymentStatus status = psError;
    return FDevice->CancelPayment(*payment, TransactionID, status, CancelTransactionID);
}

std::int32_t TDriver::GetAgentInfo(TAgentInforamtion& AgentInfo, std::wstring&) {
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    TAgentInfo agent;
    Currency balance = 0, treeBalance = 0, overdraft = 0;
    std::int32_t result = FDevice->GetAgentInfo(agent);
    if (result == ResultCode::Success)
        result = FDevice->GetBalance(balance, treeBalance, overdraft);
    if (result != ResultCode::Success)
        return result;
    AgentInfo = {agent.Name,     agent.ID,  agent.Address, agent.Phone, agent.WWW,  agent.CntPhone,
                 agent.CntEmail, agent.INN, agent.FIO,     agent.CurID, agent.Info, balance};
    return result;
}

std::int32_t TDriver::GetServiceComission(const std::wstring& ServiceCode, Currency& Percent,
                                          Currency Amount, Currency& Sum) {
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    if (!FDevice->Providers().GetItemByID(ServiceCode))
        return ResultCode::ServiceNotFound;
    return FDevice->CalculateComission(ServiceCode, Amount, Sum, Percent);
}

// Only a provider that wants personal data makes the gateway ask about the payer.
std::int32_t TDriver::GetNeedIdentifyClient(const std::wstring& ServiceCode,
                                            const std::wstring& Phone, bool& NeedIdentify) {
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    const TProvider* provider = FDevice->Providers().GetItemByID(ServiceCode);
    if (!provider)
        return ResultCode::ServiceNotFound;
    NeedIdentify = provider->NeedPersonalInfo();
    if (!NeedIdentify)
        return ResultCode::Success;
    return FDevice->GetNeedIdentifyUser(Phone, NeedIdentify);
}

std::int32_t TDriver::SetIdentifyClient(const std::wstring&, const std::wstring& Phone,
                                        const std::wstring& FirstName,
                                        const std::wstring& MiddleName,
                                        const std::wstring& LastName,
                                        const std::wstring& PassportNumber, const std::wstring& INN,
                                        const std::wstring& Snils, const std::wstring& OMS,
                                        double BirthDate, std::wstring&) {
    if (!InService())
        return ResultCode::DeviceNotEnabled;
    return FDevice->SetIdentifyUser(Phone, FirstName, MiddleName, LastName, PassportNumber, INN,
                                    Snils, OMS, BirthDate);
}

} // namespace svcgate
