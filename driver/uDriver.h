#pragma once
// The service terminal driver of the SvcGate gateway: the one class the host
// creates. It sells the gateway's services through its gateway client.

#include "gateway/uDevice.h"
#include "terminal/uBaseServiceTerminal.h"
#include "ui/uBaseSettingsDeviceFrm.h"

#include <memory>

namespace svcgate {

class TDriver : public TBaseServiceTerminal {
public:
    TDevice& Device() { return *FDevice; }

    std::wstring GetDriverResultDescription(std::int32_t ResultCode) override;
    bool DeviceTest(std::wstring& ResultDescription) override;

    std::int32_t GetServiceCodes(std::int32_t TimeOut, unique_variant& ServiceCodes,
                                 std::wstring& ResultDescription) override;
    std::int32_t GetServiceParams(const std::wstring& ServiceCode, std::int32_t TimeOut,
                                  unique_variant& ServiceParams,
                                  std::wstring& ResultDescription) override;
    std::int32_t AuthorizeService(const std::wstring& ServiceCode, unique_variant& Parameters,
                                  double Input1, double AmountTo, double AmountFrom,
                                  std::int32_t TimeOut, unique_variant& Answer,
                                  std::wstring& ResultDescription) override;
    std::int32_t GetAuthorizationStatus(const std::wstring& Input0, const std::wstring& Input1,
                                        const std::wstring& PaymentID, std::int32_t TimeOut,
                                        std::int32_t& Status, std::wstring& StatusText,
                                        std::wstring& ResultDescription) override;
    std::int32_t Settlement(std::int32_t TimeOut, unique_variant& Answer,
                            std::wstring& ResultDescription) override;
    std::int32_t CancelServiceAuthorization(const std::wstring& TransactionID,
                                            const std::wstring& PaymentID, std::int32_t Input2,
                                            Currency Input3, Currency Input4,
                                            std::wstring& CancelTransactionID,
                                            std::wstring& Output1, std::wstring& Output2,
                                            std::wstring& ResultDescription) override;
    std::int32_t GetAgentInfo(TAgentInforamtion& AgentInfo,
                              std::wstring& ResultDescription) override;
    std::int32_t GetServiceComission(const std::wstring& ServiceCode, Currency& Percent,
                                     Currency Amount, Currency& Sum) override;
    std::int32_t GetNeedIdentifyClient(const std::wstring& ServiceCode, const std::wstring& Phone,
                                       bool& NeedIdentify) override;
    std::int32_t SetIdentifyClient(const std::wstring& Input0, const std::wstring& Phone,
                                   const std::wstring& FirstName, const std::wstring& MiddleName,
                                   const std::wstring& LastName, const std::wstring& PassportNumber,
                                   const std::wstring& INN, const std::wstring& Snils,
                                   const std::wstring& OMS, double BirthDate,
                                   std::wstring& ResultDescription) override;

protected:
    void DoDeclareSettings() override;
    void DoRegisterMethods() override;
    void DoSetupDeviceInfo() override;
    std::int32_t DoEnable(std::wstring& ResultDescription) override;
    std::int32_t DoDisable(std::wstring& ResultDescription) override;
    std::int32_t DoCheckHealth(std::wstring& ResultDescription) override;
    bool DoShowSettings() override;
    void DoCreate() override;

    // The settings dialog with these pages, modal over the host's window, which
    // is disabled meanwhile and always enabled again; true when the user confirmed.
    bool ShowSettingsForm(const std::vector<TPageClass>& PageClasses, bool WithoutDeviceTest);
    void DoDestroy() override;

private:
    bool InService() const { return FDevice && FDevice->Enabled(); }
    std::int32_t InitializeTerminal(std::wstring& ResultDescription);
    void CopySettingsToDevice();

    std::unique_ptr<TDevice> FDevice;
};

} // namespace svcgate
