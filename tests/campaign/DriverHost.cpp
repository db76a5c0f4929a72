#include "campaign/DriverHost.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uSimpleCrypt.h"

#include <optional>

namespace svcgate::campaign {

namespace {

unique_variant Ref(unique_variant& variable) {
    return MakeReference(VT_VARIANT, variable.addressof());
}

unique_variant I2Zero() {
    unique_variant zero;
    V_VT(zero.addressof()) = VT_I2;
    V_I2(zero.addressof()) = 0;
    return zero;
}

bool IsTrue(const unique_variant& result) {
    return result.vt() == VT_BOOL && V_BOOL(&result.get()) != VARIANT_FALSE;
}

// Elements of an OutData array, or nothing when it holds none there.
std::optional<unique_variant> ElementOf(const unique_variant& out, long index) {
    SAFEARRAY* array = ArrayOf(out.get());
    if (!array || SafeArrayGetDim(array) != 1 || index > UpperBound(array))
        return std::nullopt;
    return GetElement(array, index);
}

} // namespace

std::int32_t HostCall::Code() const {
    if (ok)
        return 0;
    const std::optional<unique_variant> code = ElementOf(out, 0);
    if (!code)
        return -1;
    const std::optional<unique_variant> number = TryConvertVariant(code->get(), VT_I4);
    return number ? V_I4(&number->get()) : -1;
}

std::wstring HostCall::Text() const {
    const std::optional<unique_variant> text = ElementOf(out, 1);
    return text ? VariantToText(text->get()) : std::wstring();
}

std::wstring HostCall::Element(long index) const {
    const std::optional<unique_variant> element = ElementOf(out, index);
    return element ? VariantToText(element->get()) : std::wstring();
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
    values.emplace_back(L"Password",
                        MakeVariant(AnsiToWide(ScrambleValue(WideToAnsi(password), true))));
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
    InvokeMethod(driver_.get(), L"Init", Args(MakeDispatchVariant(manager_.get()), Ref(text)));
    InvokeMethod(driver_.get(), L"Open", Args(MakeVariant(deviceID), Ref(text)));
}

HostCall DriverHost::Call(const std::wstring& method, unique_variant inData) {
    HostCall call;
    LPOLESTR names[] = {const_cast<LPOLESTR>(method.c_str())};
    DISPID id = DISPID_UNKNOWN;
    CheckHResult(driver_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    InvokeOutcome outcome = InvokeDispId(driver_.get(), id, DISPATCH_METHOD,
                                         Args(std::move(inData), Ref(call.out), I2Zero()));
    call.hr = outcome.hr;
    call.ok = IsTrue(outcome.result);
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
