#pragma once
// The registered driver as an accounting host drives it: created by its ProgID,
// handed the equipment manager stand-in, and called by name with InData,
// OutData by reference and a time-out of 0 as a 16-bit literal.

#include "common/Owners.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace svcgate::campaign {

constexpr const wchar_t* DriverProgID = L"OrtaEq.SvcGateServiceTerminal";
// The dealer's password in every campaign, which no file the driver writes may hold.
constexpr const wchar_t* CampaignPassword = L"Rel1ability-Pa55";

struct HostCall {
    HRESULT hr = S_OK;
    bool ok = false;
    unique_variant out;
    // 0 for a call that answered true, else the code of [code, description], or
    // -1 when OutData holds no such pair.
    std::int32_t Code() const;
    std::wstring Text() const;
    // OutData's element as text, for a call that answered true.
    std::wstring Element(long index) const;
};

com_ptr<IDispatch> CreateByProgID(const wchar_t* progID);

using SettingValues = std::vector<std::pair<std::wstring, unique_variant>>;
// The gateway settings of a campaign: the URL, the dealer "dealer" with the
// password given (stored scrambled, as the settings dialog stores it), terminal
// 77, the server time-out and the debug log switch.
SettingValues GatewaySettings(const std::wstring& url, const std::wstring& password,
                              std::int32_t timeoutMs, bool debugLog);

class DriverHost {
public:
    // "Init" with the equipment manager, whose devices folder is `devicesFolder`,
    // then "Open" with `deviceID`; both folders are made when missing.
    DriverHost(const std::wstring& devicesFolder, const std::wstring& deviceID);
    IDispatch* Driver() const { return driver_.get(); }
    IDispatch* Manager() const { return manager_.get(); }
    HostCall Call(const std::wstring& method, unique_variant inData = {});
    // "GetSettings", the values named changed, "SetSettings".
    bool Configure(const SettingValues& values);

private:
    com_ptr<IDispatch> manager_;
    com_ptr<IDispatch> driver_;
};

// A one-dimensional InData of the values given, first element first.
unique_variant InArray(std::vector<unique_variant> values);
// The parameter table of "AuthorizeService" holding one "account" row.
unique_variant AccountTable(const std::wstring& account);

} // namespace svcgate::campaign
