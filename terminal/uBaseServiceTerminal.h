#pragma once
// The base of every service terminal driver: the eleven host methods of the
// device class "ServiceTerminal". Each handler unpacks InData into the typed
// arguments of a virtual operation and packs the operation's results into
// OutData; a concrete driver overrides the operations, which here answer that
// the command is not supported.

#include "common/Owners.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Money.h"
#include "device/uBaseDevice.h"

#include <cstdint>
#include <string>

namespace svcgate {

// The dealer's data and balance that "GetAgentInfo" hands to the host, in its order.
struct TAgentInforamtion {
    std::wstring Name;
    std::wstring ID;
    std::wstring Address;
    std::wstring Phone;
    std::wstring WWW;
    std::wstring SupportPhone;
    std::wstring SupportEmail;
    std::wstring INN;
    std::wstring FIO;
    std::wstring CurID;
    std::wstring AdditionalInfo;
    Currency Balance = 0;
};

class TBaseServiceTerminal : public TBaseDevice {
public:
    // Input0 to Input4, Output1 and Output2 are named after their place in
    // InData or OutData: the host passes them, no driver gives them a meaning.
    virtual std::int32_t GetServiceCodes(std::int32_t TimeOut, unique_variant& ServiceCodes,
                                         std::wstring& ResultDescription);
    virtual std::int32_t GetServiceParams(const std::wstring& ServiceCode, std::int32_t TimeOut,
                                          unique_variant& ServiceParams,
                                          std::wstring& ResultDescription);
    virtual std::int32_t GetServiceGroups(std::int32_t TimeOut, unique_variant& ServiceGroups,
                                          std::wstring& ResultDescription);
    virtual std::int32_t AuthorizeService(const std::wstring& ServiceCode,
                                          unique_variant& Parameters, double Input1,
                                          double AmountTo, double AmountFrom, std::int32_t TimeOut,
                                          unique_variant& Answer, std::wstring& ResultDescription);
    virtual std::int32_t GetAuthorizationStatus(const std::wstring& Input0,
                                                const std::wstring& Input1,
                                                const std::wstring& PaymentID, std::int32_t TimeOut,
                                                std::int32_t& Status, std::wstring& StatusText,
                                                std::wstring& ResultDescription);
    virtual std::int32_t Settlement(std::int32_t TimeOut, unique_variant& Answer,
                                    std::wstring& ResultDescription);
    virtual std::int32_t
    CancelServiceAuthorization(const std::wstring& TransactionID, const std::wstring& PaymentID,
                               std::int32_t Input2, Currency Input3, Currency Input4,
                               std::wstring& CancelTransactionID, std::wstring& Output1,
                               std::wstring& Output2, std::wstring& ResultDescription);
    virtual std::int32_t GetAgentInfo(TAgentInforamtion& AgentInfo,
                                      std::wstring& ResultDescription);
    // No description: a failure is told by its code alone.
    virtual std::int32_t GetServiceComission(const std::wstring& ServiceCode, Currency& Percent,
                                             Currency Amount, Currency& Sum);
    virtual std::int32_t GetNeedIdentifyClient(const std::wstring& ServiceCode,
                                               const std::wstring& Phone, bool& NeedIdentify);
    // BirthDate counts days since 30 December 1899.
    virtual std::int32_t
    SetIdentifyClient(const std::wstring& Input0, const std::wstring& Phone,
                      const std::wstring& FirstName, const std::wstring& MiddleName,
                      const std::wstring& LastName, const std::wstring& PassportNumber,
                      const std::wstring& INN, const std::wstring& Snils, const std::wstring& OMS,
                      double BirthDate, std::wstring& ResultDescription);

protected:
    void DoRegisterMethods() override;
    void DoSetupDeviceInfo() override;
    // The payer's personal data of "GetNeedIdentifyClient" and "SetIdentifyClient"
    // never reaches the log.
    std::wstring CallDataLogText(std::wstring_view methodName, TCallData which,
                                 const VARIANT& data) override;

private:
    using THandler = std::int32_t (TBaseServiceTerminal::*)(const VARIANT& InData,
                                                            unique_variant& OutData,
                                                            std::int32_t TimeOut,
                                                            std::wstring& ResultDescription);

    std::int32_t GetServiceCodesHandler(const VARIANT& InData, unique_variant& OutData,
                                        std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t GetServiceGroupsHandler(const VARIANT& InData, unique_variant& OutData,
                                         std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t GetServiceParamsHandler(const VARIANT& InData, unique_variant& OutData,
                                         std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t AuthorizeServiceHandler(const VARIANT& InData, unique_variant& OutData,
                                         std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t GetAuthorizationStatusHandler(const VARIANT& InData, unique_variant& OutData,
                                               std::int32_t TimeOut,
                                               std::wstring& ResultDescription);
    std::int32_t SettlementHandler(const VARIANT& InData, unique_variant& OutData,
                                   std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t CancelServiceAuthorizationHandler(const VARIANT& InData, unique_variant& OutData,
                                                   std::int32_t TimeOut,
                                                   std::wstring& ResultDescription);
    std::int32_t GetAgentInfoHandler(const VARIANT& InData, unique_variant& OutData,
                                     std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t GetServiceComissionHandler(const VARIANT& InData, unique_variant& OutData,
                                            std::int32_t TimeOut, std::wstring& ResultDescription);
    std::int32_t GetNeedIdentifyClientHandler(const VARIANT& InData, unique_variant& OutData,
                                              std::int32_t TimeOut,
                                              std::wstring& ResultDescription);
    std::int32_t SetIdentifyClientHandler(const VARIANT& InData, unique_variant& OutData,
                                          std::int32_t TimeOut, std::wstring& ResultDescription);
};

} // namespace svcgate
