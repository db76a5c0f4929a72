#pragma once
// A service terminal whose operations succeed and remember, as texts, what the
// handlers handed them.

#include "common/Variants.h"
#include "terminal/uBaseServiceTerminal.h"

#include <string>
#include <vector>

namespace svcgate::test {

class RecordingTerminal : public TBaseServiceTerminal {
public:
    // The last operation's name, then its input arguments.
    std::vector<std::wstring> received;

    std::int32_t GetServiceCodes(std::int32_t TimeOut, unique_variant&, std::wstring&) override {
        return Record(L"GetServiceCodes", TimeOut);
    }
    std::int32_t GetServiceParams(const std::wstring& ServiceCode, std::int32_t TimeOut,
                                  unique_variant&, std::wstring&) override {
        return Record(L"GetServiceParams", ServiceCode, TimeOut);
    }
    std::int32_t GetServiceGroups(std::int32_t TimeOut, unique_variant&, std::wstring&) override {
        return Record(L"GetServiceGroups", TimeOut);
    }
    std::int32_t AuthorizeService(const std::wstring& ServiceCode, unique_variant& Parameters,
                                  double Input1, double AmountTo, double AmountFrom,
                                  std::int32_t TimeOut, unique_variant& Answer,
                                  std::wstring&) override {
        Answer = MakeVariant(L"answer");
        return Record(L"AuthorizeService", ServiceCode, ElementCount(ArrayOf(Parameters.get())),
                      Input1, AmountTo, AmountFrom, TimeOut);
    }
    std::int32_t GetAuthorizationStatus(const std::wstring& Input0, const std::wstring& Input1,
                                        const std::wstring& PaymentID, std::int32_t TimeOut,
                                        std::int32_t&, std::wstring&, std::wstring&) override {
        return Record(L"GetAuthorizationStatus", Input0, Input1, PaymentID, TimeOut);
    }
    std::int32_t Settlement(std::int32_t TimeOut, unique_variant&, std::wstring&) override {
        return Record(L"Settlement", TimeOut);
    }
    std::int32_t CancelServiceAuthorization(const std::wstring& TransactionID,
                                            const std::wstring& PaymentID, std::int32_t Input2,
                                            Currency Input3, Currency Input4, std::wstring&,
                                            std::wstring&, std::wstring&, std::wstring&) override {
        return Record(L"CancelServiceAuthorization", TransactionID, PaymentID, Input2, Input3,
                      Input4);
    }
    std::int32_t GetAgentInfo(TAgentInforamtion& AgentInfo, std::wstring&) override {
        AgentInfo.Balance = 1234500;
        return Record(L"GetAgentInfo");
    }
    std::int32_t GetServiceComission(const std::wstring& ServiceCode, Currency& Percent,
                                     Currency Amount, Currency&) override {
        Percent = 15000;
        return Record(L"GetServiceComission", ServiceCode, Amount);
    }
    std::int32_t GetNeedIdentifyClient(const std::wstring& ServiceCode, const std::wstring& Phone,
                                       bool&) override {
        return Record(L"GetNeedIdentifyClient", ServiceCode, Phone);
    }
    std::int32_t SetIdentifyClient(const std::wstring& Input0, const std::wstring& Phone,
                                   const std::wstring& FirstName, const std::wstring& MiddleName,
                                   const std::wstring& LastName, const std::wstring& PassportNumber,
                                   const std::wstring& INN, const std::wstring& Snils,
                                   const std::wstring& OMS, double BirthDate,
                                   std::wstring&) override {
        return Record(L"SetIdentifyClient", Input0, Phone, FirstName, MiddleName, LastName,
                      PassportNumber, INN, Snils, OMS, BirthDate);
    }

private:
    static std::wstring Text(const std::wstring& text) { return text; }
    template <class Number> static std::wstring Text(Number value) {
        return std::to_wstring(value);
    }
    template <class... Values> std::int32_t Record(const wchar_t* name, const Values&... values) {
        received = {name, Text(values)...};
        return 0;
    }
};

} // namespace svcgate::test
