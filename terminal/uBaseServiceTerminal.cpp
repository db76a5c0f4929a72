#include "terminal/uBaseServiceTerminal.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/uCommonUtils.Money.h"
#include "common/uEquipmentErrors.h"
#include "device/uHostValues.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace svcgate {

namespace {

constexpr const wchar_t* TypeName = L"ServiceTerminal";
constexpr const wchar_t* NeedIdentifyClientMethod = L"GetNeedIdentifyClient";
constexpr const wchar_t* SetIdentifyClientMethod = L"SetIdentifyClient";

// Where the payer's personal data sits in InData: the phone of the question, and
// the phone, name, passport number, INN, SNILS, OMS policy and birth date of the
// identification.
struct PersonalData {
    const wchar_t* method;
    long first;
    long last;
};
constexpr PersonalData PersonalDataOf[] = {{NeedIdentifyClientMethod, 1, 1},
                                           {SetIdentifyClientMethod, 1, 9}};

// Every read of the host's input gives none for malformed input, so that only
// a failure of the platform itself travels on as an error.

// An index outside the array or a null element is malformed input.
std::optional<unique_variant> RequiredElement(const VARIANT& InData, long index) {
    std::optional<unique_variant> element = GetParam(InData, index);
    if (element && element->vt() == VT_NULL)
        return std::nullopt;
    return element;
}

std::optional<std::wstring> RequiredText(const VARIANT& InData, long index) {
    std::optional<unique_variant> element = RequiredElement(InData, index);
    return element ? ValueText(element->get()) : std::nullopt;
}

// Moves a value that was read into its variable; false when there was none.
template <class T> bool Take(std::optional<T> value, T& variable) {
    if (value)
        variable = std::move(*value);
    return value.has_value();
}

bool IsText(const unique_variant& value) {
    return value.vt() == VT_BSTR;
}

// Only values that are numbers as they are: a text that would convert, a
// Boolean or a date is not an amount.
bool IsNumber(const unique_variant& value) {
    switch (value.vt()) {
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        return true;
    default:
        return IsIntegerType(value.vt());
    }
}

std::optional<Currency> MoneyParam(const VARIANT& InData, long index) {
    const std::optional<double> value = GetParamFloat(InData, index, 0);
    return value ? ToMoney(*value) : std::nullopt;
}

// The steps every host method shares: read and check InData, run the
// operation, and hand its results to the host only when it succeeded.
template <class Read, class Operation, class Pack>
std::int32_t Serve(std::wstring& ResultDescription, unique_variant& OutData, Read&& read,
                   Operation&& operation, Pack&& pack) {
    ResultDescription.clear();
    if (!read())
        return ResultCode::BadInput;
    const std::int32_t code = operation();
    if (code == ResultCode::Success)
        OutData = pack();
    return code;
}

const auto NoInput = [] { return true; };
const auto NoOutput = [] { return unique_variant(); };

void Clear(std::wstring& text) {
    text.clear();
}

void Clear(unique_variant& value) {
    value.reset();
}

// What every operation a driver leaves alone answers.
template <class... Outputs> std::int32_t NotSupported(Outputs&... outputs) {
    (Clear(outputs), ...);
    return ResultCode::NotSupported;
}

// InData as the log may show it: the personal data masked wherever the host put
// it, and a value of another shape, which the call refuses, masked whole.
unique_variant WithoutPersonalData(const VARIANT& InData, const PersonalData& personal) {
    SAFEARRAY* array = ArrayOf(InData);
    if (!IsVariantArray(array))
        return V_VT(&InData) == VT_EMPTY || V_VT(&InData) == VT_NULL
                   ? unique_variant::copy_of(InData)
                   : MakeVariant(CommonTexts::MaskedSecret);
    unique_safearray copy;
    CheckHResult(SafeArrayCopy(array, copy.put()));
    const unique_variant mask = MakeVariant(CommonTexts::MaskedSecret);
    for (long index = std::max(LowerBound(array), personal.first);
         index <= std::min(UpperBound(array), personal.last); ++index)
        PutElement(copy.get(), index, mask.get());
    return MakeArrayVariant(std::move(copy));
}

} // namespace

void TBaseServiceTerminal::DoRegisterMethods() {
    TBaseDevice::DoRegisterMethods();
    // The order fixes the DISPIDs the host may have cached.
    static const std::pair<const wchar_t*, THandler> methods[] = {
        {L"GetServiceCodes", &TBaseServiceTerminal::GetServiceCodesHandler},
        {L"GetServiceGroups", &TBaseServiceTerminal::GetServiceGroupsHandler},
        {L"GetServiceParams", &TBaseServiceTerminal::GetServiceParamsHandler},
        {L"AuthorizeService", &TBaseServiceTerminal::AuthorizeServiceHandler},
        {L"GetAuthorizationStatus", &TBaseServiceTerminal::GetAuthorizationStatusHandler},
        {L"Settlement", &TBaseServiceTerminal::SettlementHandler},
        {L"CancelServiceAuthorization", &TBaseServiceTerminal::CancelServiceAuthorizationHandler},
        {L"GetAgentInfo", &TBaseServiceTerminal::GetAgentInfoHandler},
        {L"GetServiceComission", &TBaseServiceTerminal::GetServiceComissionHandler},
        {NeedIdentifyClientMethod, &TBaseServiceTerminal::GetNeedIdentifyClientHandler},
        {SetIdentifyClientMethod, &TBaseServiceTerminal::SetIdentifyClientHandler},
    };
    for (const auto& [name, handler] : methods)
        RegisterSpecificMethod(name, [this, handler](const VARIANT& InData, unique_variant& OutData,
                                                     std::int32_t TimeOut,
                                                     std::wstring& ResultDescription) {
            return (this->*handler)(InData, OutData, TimeOut, ResultDescription);
        });
}

std::wstring TBaseServiceTerminal::CallDataLogText(std::wstring_view methodName, TCallData which,
                                                   const VARIANT& data) {
    const auto personal = std::ranges::find_if(PersonalDataOf, [&](const PersonalData& entry) {
        return SameText(methodName, entry.method);
    });
    if (which == TCallData::OutData || personal == std::end(PersonalDataOf))
        return TBaseDevice::CallDataLogText(methodName, which, data);
    return TBaseDevice::CallDataLogText(methodName, which,
                                        WithoutPersonalData(data, *personal).get());
}

void TBaseServiceTerminal::DoSetupDeviceInfo() {
    TBaseDevice::DoSetupDeviceInfo();
    FDeviceInfo.TypeName = TypeName;
}

std::int32_t TBaseServiceTerminal::GetServiceCodesHandler(const VARIANT&, unique_variant& OutData,
                                                          std::int32_t TimeOut,
                                                          std::wstring& ResultDescription) {
    unique_variant ServiceCodes;
    return Serve(
        ResultDescription, OutData, NoInput,
        [&] { return GetServiceCodes(TimeOut, ServiceCodes, ResultDescription); },
        [&] { return MakeVariantArray(std::move(ServiceCodes)); });
}

std::int32_t TBaseServiceTerminal::GetServiceGroupsHandler(const VARIANT&, unique_variant& OutData,
                                                           std::int32_t TimeOut,
                                                           std::wstring& ResultDescription) {
    unique_variant ServiceGroups;
    return Serve(
        ResultDescription, OutData, NoInput,
        [&] { return GetServiceGroups(TimeOut, ServiceGroups, ResultDescription); },
        [&] { return MakeVariantArray(std::move(ServiceGroups)); });
}

std::int32_t TBaseServiceTerminal::GetServiceParamsHandler(const VARIANT& InData,
                                                           unique_variant& OutData,
                                                           std::int32_t TimeOut,
                                                           std::wstring& ResultDescription) {
    std::wstring ServiceCode;
    unique_variant ServiceParams;
    auto read = [&] {
        const std::optional<unique_variant> code = RequiredElement(InData, 0);
        return code && IsText(*code) && Take(ValueText(code->get()), ServiceCode);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] { return GetServiceParams(ServiceCode, TimeOut, ServiceParams, ResultDescription); },
        [&] { return MakeVariantArray(std::move(ServiceParams)); });
}

std::int32_t TBaseServiceTerminal::AuthorizeServiceHandler(const VARIANT& InData,
                                                           unique_variant& OutData,
                                                           std::int32_t TimeOut,
                                                           std::wstring& ResultDescription) {
    std::wstring ServiceCode;
    unique_variant Parameters;
    std::array<double, 3> numbers{};
    unique_variant Answer;
    auto read = [&] {
        std::array<unique_variant, 5> element;
        for (long k = 0; k < 5; ++k)
            if (!Take(RequiredElement(InData, k), element[k]))
                return false;
        if (!IsText(element[0]) || !IsNumber(element[1]) || !IsNumber(element[2]) ||
            !IsNumber(element[3]) || !IsArray(element[4].get()))
            return false;
        for (size_t k = 0; k < numbers.size(); ++k)
            if (!Take(ValueFloat(element[k + 1].get()), numbers[k]))
                return false;
        Parameters = std::move(element[4]);
        return Take(ValueText(element[0].get()), ServiceCode);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] {
            return AuthorizeService(ServiceCode, Parameters, numbers[0], numbers[1], numbers[2],
                                    TimeOut, Answer, ResultDescription);
        },
        [&] { return std::move(Answer); });
}

std::int32_t TBaseServiceTerminal::GetAuthorizationStatusHandler(const VARIANT& InData,
                                                                 unique_variant& OutData,
                                                                 std::int32_t TimeOut,
                                                                 std::wstring& ResultDescription) {
    std::array<std::wstring, 3> text;
    std::int32_t Status = 0;
    std::wstring StatusText;
    auto read = [&] {
        for (size_t k = 0; k < text.size(); ++k)
            if (!Take(GetParamStr(InData, static_cast<long>(k), L""), text[k]))
                return false;
        return true;
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] {
            return GetAuthorizationStatus(text[0], text[1], text[2], TimeOut, Status, StatusText,
                                          ResultDescription);
        },
        [&] { return MakeVariantArray(MakeVariant(Status), MakeVariant(StatusText)); });
}

std::int32_t TBaseServiceTerminal::SettlementHandler(const VARIANT&, unique_variant& OutData,
                                                     std::int32_t TimeOut,
                                                     std::wstring& ResultDescription) {
    unique_variant Answer;
    return Serve(
        ResultDescription, OutData, NoInput,
        [&] { return Settlement(TimeOut, Answer, ResultDescription); },
        [&] { return std::move(Answer); });
}

std::int32_t TBaseServiceTerminal::CancelServiceAuthorizationHandler(
    const VARIANT& InData, unique_variant& OutData, std::int32_t, std::wstring& ResultDescription) {
    std::wstring TransactionID, PaymentID;
    std::int32_t Input2 = 1;
    Currency Input3 = 0, Input4 = 0;
    std::array<std::wstring, 3> output;
    auto read = [&] {
        return Take(GetParamStr(InData, 0, L""), TransactionID) &&
               Take(GetParamStr(InData, 1, L""), PaymentID) &&
               Take(GetParamInt(InData, 2, 1), Input2) && Take(MoneyParam(InData, 3), Input3) &&
               Take(MoneyParam(InData, 4), Input4);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] {
            return CancelServiceAuthorization(TransactionID, PaymentID, Input2, Input3, Input4,
                                              output[0], output[1], output[2], ResultDescription);
        },
        [&] {
            return MakeVariantArray(MakeVariant(output[0]), MakeVariant(output[1]),
                                    MakeVariant(output[2]));
        });
}

std::int32_t TBaseServiceTerminal::GetAgentInfoHandler(const VARIANT&, unique_variant& OutData,
                                                       std::int32_t,
                                                       std::wstring& ResultDescription) {
    TAgentInforamtion info;
    return Serve(
        ResultDescription, OutData, NoInput, [&] { return GetAgentInfo(info, ResultDescription); },
        [&] {
            return MakeVariantArray(
                MakeVariant(info.Name), MakeVariant(info.ID), MakeVariant(info.Address),
                MakeVariant(info.Phone), MakeVariant(info.WWW), MakeVariant(info.SupportPhone),
                MakeVariant(info.SupportEmail), MakeVariant(info.INN), MakeVariant(info.FIO),
                MakeVariant(info.CurID), MakeVariant(info.AdditionalInfo),
                MakeCurrencyVariant(info.Balance));
        });
}

std::int32_t TBaseServiceTerminal::GetServiceComissionHandler(const VARIANT& InData,
                                                              unique_variant& OutData, std::int32_t,
                                                              std::wstring& ResultDescription) {
    std::wstring ServiceCode;
    Currency Percent = 0, Amount = 0, Sum = 0;
    auto read = [&] {
        return Take(RequiredText(InData, 0), ServiceCode) && Take(MoneyParam(InData, 1), Amount);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] { return GetServiceComission(ServiceCode, Percent, Amount, Sum); },
        [&] { return MakeVariantArray(MakeCurrencyVariant(Percent), MakeCurrencyVariant(Sum)); });
}

std::int32_t TBaseServiceTerminal::GetNeedIdentifyClientHandler(const VARIANT& InData,
                                                                unique_variant& OutData,
                                                                std::int32_t,
                                                                std::wstring& ResultDescription) {
    std::wstring ServiceCode, Phone;
    bool NeedIdentify = false;
    auto read = [&] {
        return Take(RequiredText(InData, 0), ServiceCode) && Take(RequiredText(InData, 1), Phone);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] { return GetNeedIdentifyClient(ServiceCode, Phone, NeedIdentify); },
        [&] { return MakeVariantArray(MakeBoolVariant(NeedIdentify)); });
}

std::int32_t TBaseServiceTerminal::SetIdentifyClientHandler(const VARIANT& InData,
                                                            unique_variant& OutData, std::int32_t,
                                                            std::wstring& ResultDescription) {
    std::array<std::wstring, 9> text;
    double BirthDate = 0;
    auto read = [&] {
        for (size_t k = 0; k < text.size(); ++k)
            if (!Take(RequiredText(InData, static_cast<long>(k)), text[k]))
                return false;
        // A date variant converts to its day count.
        const std::optional<unique_variant> birthDate = RequiredElement(InData, 9);
        return birthDate && Take(ValueFloat(birthDate->get()), BirthDate);
    };
    return Serve(
        ResultDescription, OutData, read,
        [&] {
            return SetIdentifyClient(text[0], text[1], text[2], text[3], text[4], text[5], text[6],
                                     text[7], text[8], BirthDate, ResultDescription);
        },
        NoOutput);
}

std::int32_t TBaseServiceTerminal::GetServiceCodes(std::int32_t, unique_variant& ServiceCodes,
                                                   std::wstring& ResultDescription) {
    return NotSupported(ServiceCodes, ResultDescription);
}

std::int32_t TBaseServiceTerminal::GetServiceParams(const std::wstring&, std::int32_t,
                                                    unique_variant& ServiceParams,
                                                    std::wstring& ResultDescription) {
    return NotSupported(ServiceParams, ResultDescription);
}

std::int32_t TBaseServiceTerminal::GetServiceGroups(std::int32_t, unique_variant& ServiceGroups,
                                                    std::wstring& ResultDescription) {
    return NotSupported(ServiceGroups, ResultDescription);
}

// Parameters is the host's own input, so it is not the base's to clear.
std::int32_t TBaseServiceTerminal::AuthorizeService(const std::wstring&, unique_variant&, double,
                                                    double, double, std::int32_t,
                                                    unique_variant& Answer,
                                                    std::wstring& ResultDescription) {
    return NotSupported(Answer, ResultDescription);
}

std::int32_t TBaseServiceTerminal::GetAuthorizationStatus(const std::wstring&, const std::wstring&,
                                                          const std::wstring&, std::int32_t,
                                                          std::int32_t&, std::wstring& StatusText,
                                                          std::wstring& ResultDescription) {
    return NotSupported(StatusText, ResultDescription);
}

std::int32_t TBaseServiceTerminal::Settlement(std::int32_t, unique_variant& Answer,
                                              std::wstring& ResultDescription) {
    return NotSupported(Answer, ResultDescription);
}

std::int32_t TBaseServiceTerminal::CancelServiceAuthorization(
    const std::wstring&, const std::wstring&, std::int32_t, Currency, Currency,
    std::wstring& CancelTransactionID, std::wstring& Output1, std::wstring& Output2,
    std::wstring& ResultDescription) {
    return NotSupported(CancelTransactionID, Output1, Output2, ResultDescription);
}

std::int32_t TBaseServiceTerminal::GetAgentInfo(TAgentInforamtion&,
                                                std::wstring& ResultDescription) {
    return NotSupported(ResultDescription);
}

std::int32_t TBaseServiceTerminal::GetServiceComission(const std::wstring&, Currency&, Currency,
                                                       Currency&) {
    return NotSupported();
}

std::int32_t TBaseServiceTerminal::GetNeedIdentifyClient(const std::wstring&, const std::wstring&,
                                                         bool&) {
    return NotSupported();
}

std::int32_t TBaseServiceTerminal::SetIdentifyClient(const std::wstring&, const std::wstring&,
                                                     const std::wstring&, const std::wstring&,
                                                     const std::wstring&, const std::wstring&,
                                                     const std::wstring&, const std::wstring&,
                                                     const std::wstring&, double,
                                                     std::wstring& ResultDescription) {
    return NotSupported(ResultDescription);
}

} // namespace svcgate
