#include "campaign/DriverHost.h"

#include "clients/HostCalls.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uSimpleCrypt.h"

namespace svcgate::campaign {

std::int32_t HostCall::Code() const {
    return ok ? 0 : test::ErrorCode(out);
}

std::wstring HostCall::Text() const {
    return test::ErrorText(out);
}

std::wstring HostCall::Element(long index) const {
    return test::OutElement(out, index);
}

com_ptr<IDispatch> CreateByProgID(const wchar_t* progID) {
    CLSID classID{};
    CheckHResult(CLSIDFromProgID(progID, &classID));
    com_ptr<IDispatch> object;
    CheckHResult(
        CoCreateInstance(classID, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void()));
    return object;
}

SettingValues GatewaySettings(const std::wstring& url, const std::wstring& password,
                              std::int32_t timeoutMs, bool debugLog) {
    SettingValues values;
    values.emplace_back(L"Server1URL", MakeVariant(url));
    values.emplace_back(L"Login", MakeVariant(L"dealer"));
    values.emplace_back(L"Password", MakeVariant(ScrambledSetting(password)));
    values.emplace_back(L"TerminalID", MakeVariant(L"77"));
    values.emplace_back(L"SrvResponseTimeout", MakeVariant(timeoutMs));
    values.emplace_back(L"DebugLogEnabled", MakeBoolVariant(debugLog));
    return values;
}

DriverHost::DriverHost(const std::wstring& devicesFolder, const std::wstring& deviceID)
    : manager_(CreateByProgID(L"SvcGate.TestEqManager")), driver_(CreateByProgID(DriverProgID)) {
    // A host keeps a folder per device; the debug log goes there.
    CreateDirectoryW(devicesFolder.c_str(), nullptr);
    CreateDirectoryW((devicesFolder + L"\\" + deviceID).c_str(), nullptr);
    InvokeMethod(manager_.get(), L"SetAppProperty",
                 Args(MakeVariant(L"DevicesFolder"), MakeVariant(devicesFolder)));
    unique_variant text;
    InvokeMethod(driver_.get(), L"Init",
                 Args(MakeDispatchVariant(manager_.get()), test::Ref(text)));
    InvokeMethod(driver_.get(), L"Open", Args(MakeVariant(deviceID), test::Ref(text)));
}

HostCall DriverHost::Call(const std::wstring& method, unique_variant inData) {
    HostCall call;
    const DISPID id = test::DispIdOf(driver_.get(), method);
    if (id == DISPID_UNKNOWN)
        throw Exception(L"the driver has no method " + method);
    const test::CallResult result =
        test::Call(driver_.get(), id, test::EquipmentArguments(std::move(inData), call.out));
    call.hr = result.hr;
    call.ok = test::AnsweredTrue(result.result);
    return call;
}

bool DriverHost::Configure(const SettingValues& values) {
    HostCall settings = Call(L"GetSettings");
    if (!settings.ok)
        return false;
    unique_variant matrix = GetElement(ArrayOf(settings.out.get()), 0);
    SAFEARRAY* table = ArrayOf(matrix.get());
    for (long j = LowerBound(table, 2); j <= UpperBound(table, 2); ++j) {
        const std::wstring id = VariantToText(GetElement(table, 0, j).get());
        for (const auto& [name, value] : values)
            if (SameText(id, name))
                PutElement(table, 1, j, value.get());
    }
    return Call(L"SetSettings", InArray(Args(std::move(matrix)))).ok;
}

unique_variant InArray(std::vector<unique_variant> values) {
    unique_safearray array = CreateVariantArray(static_cast<long>(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        PutElement(array.get(), static_cast<long>(i), values[i].get());
    return MakeArrayVariant(std::move(array));
}

unique_variant AccountTable(const std::wstring& account) {
    unique_safearray table = CreateVariantMatrix(2, 1);
    PutElement(table.get(), 0, 0, MakeVariant(L"account").get());
    PutElement(table.get(), 1, 0, MakeVariant(account).get());
    return MakeArrayVariant(std::move(table));
}

} // namespace svcgate::campaign
