#include "frame/uCOMSupport.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uEquipmentErrors.h"
#include "frame/uDebugLog.h"
#include "frame/uDebugLogTexts.h"

#include <objbase.h>

#include <optional>

namespace svcgate {

using namespace DebugLogTexts;

namespace {

constexpr DISPID FirstForbiddenDispId = 100000;
constexpr size_t MaxMethodNameLength = 255;
constexpr int32_t ExceptionSCode = 1001;

VARIANT* FollowVariantReferences(VARIANT* value) {
    while (V_VT(value) == (VT_BYREF | VT_VARIANT))
        value = V_VARIANTREF(value);
    return value;
}

// The host passes its arguments last first; element i of the array is the
// host's argument i.
unique_safearray BuildArgumentArray(const DISPPARAMS& params) {
    const long count = static_cast<long>(params.cArgs);
    unique_safearray array = CreateVariantArray(count);
    for (long i = 0; i < count; ++i) {
        unique_variant copy;
        CheckHResult(VariantCopyInd(copy.addressof(),
                                    FollowVariantReferences(&params.rgvarg[count - 1 - i])));
        if (copy.vt() == VT_I2)
            copy = ConvertVariant(copy.get(), VT_I4);
        PutElement(array.get(), i, copy.get());
    }
    return array;
}

// The kinds of reference a host variable may be passed as and the frame can
// store into.
bool IsStorableReference(VARTYPE type) {
    switch (type) {
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_UI1:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DISPATCH:
        return true;
    default:
        return false;
    }
}

// False when the value does not fit the host's variable, which then keeps its value.
bool StoreThroughReference(VARIANT& target, const VARIANT& value) {
    const VARTYPE type = V_VT(&target) & ~VT_BYREF;
    std::optional<unique_variant> converted;
    if (IsStorableReference(type))
        converted = TryConvertVariant(value, type);
    if (!converted)
        return false;
    VARIANT& v = converted->get();
    switch (type) {
    case VT_BSTR:
        ReplaceReferencedText(target, VariantToText(v));
        break;
    case VT_DISPATCH: {
        com_ptr<IDispatch> old(*V_DISPATCHREF(&target));
        *V_DISPATCHREF(&target) = com_ptr<IDispatch>::share(V_DISPATCH(&v)).detach();
        break;
    }
    case VT_I2:
    case VT_UI2:
        *V_I2REF(&target) = V_I2(&v);
        break;
    case VT_I4:
    case VT_UI4:
        *V_I4REF(&target) = V_I4(&v);
        break;
    case VT_UI1:
        *V_UI1REF(&target) = V_UI1(&v);
        break;
    case VT_R4:
        *V_R4REF(&target) = V_R4(&v);
        break;
    case VT_R8:
    case VT_DATE:
        *V_R8REF(&target) = V_R8(&v);
        break;
    case VT_CY:
        *V_CYREF(&target) = V_CY(&v);
        break;
    default:
        *V_BOOLREF(&target) = V_BOOL(&v) ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return true;
}

bool IsOrdinal(VARTYPE type) {
    return IsIntegerType(type) || type == VT_BOOL;
}

unique_variant ElementOrEmpty(SAFEARRAY* array, long index) {
    return index < ElementCount(array) ? GetElement(array, index) : unique_variant();
}

std::wstring MakeInstanceID() {
    GUID guid{};
    CheckHResult(CoCreateGuid(&guid));
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

} // namespace

void TBaseObject::Initialize() {
    FInstanceID = MakeInstanceID();
}

// Nothing may throw past the COM boundary, not even a failing last step.
void TBaseObject::FinalRelease() noexcept {
    try {
        Destroy();
    } catch (...) {
    }
}

std::wstring TBaseObject::GetDriverResultDescription(int32_t ResultCode) {
    return EquipmentResultText(ResultCode);
}

unique_variant TBaseObject::BuildErrorOutData(int32_t code, std::wstring_view description) {
    const std::wstring text =
        description.empty() ? GetDriverResultDescription(code) : std::wstring(description);
    return MakeVariantArray(MakeVariant(code), MakeVariant(text));
}

// The handler has run by now: whatever cannot be written back, the rest, and
// OutData above all, still reaches the host. A host variable of a kind the
// frame cannot store into, or that the value does not fit, keeps its value.
void TBaseObject::WriteArgumentsBack(SAFEARRAY* array, DISPPARAMS& params) {
    const long count = static_cast<long>(params.cArgs);
    for (long i = 0; i < count; ++i) {
        unique_variant value = GetElement(array, i);
        VARIANT* target = FollowVariantReferences(&params.rgvarg[count - 1 - i]);
        if (!(V_VT(target) & VT_BYREF)) {
            unique_variant old = unique_variant::adopt(*target);
            *target = value.detach();
        } else if (!StoreThroughReference(*target, value.get())) {
            WriteDebugLog(Error, GetDriverResultDescription(ResultCode::BadInput));
        }
    }
}

HRESULT TBaseObject::GetTypeInfoCount(UINT* count) {
    if (count)
        *count = 0;
    return S_OK;
}

HRESULT TBaseObject::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

int TBaseObject::FindMethodID(std::wstring_view name) const {
    for (size_t i = 0; i < FMethodList.size(); ++i)
        if (SameText(FMethodList[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

HRESULT TBaseObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT, LCID, DISPID* rgDispId) {
    if (!rgszNames || !rgszNames[0] || !rgDispId)
        return E_POINTER;
    rgDispId[0] = FindMethodID(rgszNames[0]);
    return rgDispId[0] >= 0 ? S_OK : E_NOTIMPL;
}

HRESULT TBaseObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT*) {
    if (dispIdMember >= FirstForbiddenDispId || !(wFlags & DISPATCH_METHOD))
        return E_FAIL;
    if (dispIdMember < 0 || static_cast<size_t>(dispIdMember) >= FMethodList.size())
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS noArguments{};
    DISPPARAMS& params = pDispParams ? *pDispParams : noArguments;
    try {
        unique_safearray arguments = BuildArgumentArray(params);
        unique_variant result;
        const HRESULT hr = CallMethod(dispIdMember, result, arguments.get());
        if (hr == S_OK) {
            WriteArgumentsBack(arguments.get(), params);
            if (pVarResult)
                *pVarResult = result.detach();
        }
        return hr;
    } catch (...) {
        return ReportException(CaughtErrorDescription(), pExcepInfo);
    }
}

HRESULT TBaseObject::ReportException(std::wstring_view message, EXCEPINFO* excepInfo) {
    if (excepInfo) {
        excepInfo->scode = ExceptionSCode;
        excepInfo->bstrDescription = unique_bstr(message).detach();
        excepInfo->bstrSource = unique_bstr(Exception::ClassName).detach();
    }
    WriteDebugLog(Error,
                  std::wstring(Exception::ClassName) + ErrorClassSeparator + std::wstring(message));
    return DISP_E_EXCEPTION;
}

HRESULT TBaseObject::CallMethod(DISPID dispId, unique_variant& result, SAFEARRAY* params) {
    const bool logging = FDebugLogEnabled;
    // A handler may register methods; the copy stays valid while the list grows.
    const TMethodStruct method = FMethodList[static_cast<size_t>(dispId)];
    if (method.IsPublic)
        return CallPublicMethod(method, result, params, logging);
    CallPrivateMethod(method, result, params, logging);
    return S_OK;
}

HRESULT TBaseObject::CallPublicMethod(const TMethodStruct& method, unique_variant& result,
                                      SAFEARRAY* params, bool logging) {
    unique_variant InData = ElementOrEmpty(params, 0);
    unique_variant OutData;
    const unique_variant timeOut = ElementOrEmpty(params, 2);
    if (logging)
        LogCallLine(CallStart + method.Name, [&] {
            return DebugLogTexts::InData +
                   CallDataLogText(method.Name, TCallData::InData, InData.get());
        });
    HRESULT hr = E_INVALIDARG;
    if (IsOrdinal(timeOut.vt())) {
        hr = S_OK;
        std::wstring description;
        int32_t code = ResultCode::UnknownError;
        try {
            code = method.PublicMethod(InData.get(), OutData, VariantToInt(timeOut.get()),
                                       description);
        } catch (...) {
            description = CaughtErrorDescription();
        }
        if (code != ResultCode::Success)
            OutData = BuildErrorOutData(code, description);
        if (ElementCount(params) > 1)
            PutElement(params, 1, OutData.get());
        result = MakeBoolVariant(code == ResultCode::Success);
    }
    if (logging)
        LogCallLine(CallEnd + method.Name, [&] {
            return Result + LogText(result.get()) + OutDataAfterResult +
                   CallDataLogText(method.Name, TCallData::OutData, OutData.get());
        });
    return hr;
}

void TBaseObject::CallPrivateMethod(const TMethodStruct& method, unique_variant& result,
                                    SAFEARRAY* params, bool logging) {
    if (logging)
        LogCallLine(CallStart + method.Name, [&] { return Params + LogText(params); });
    try {
        result = method.PrivateMethod(params);
    } catch (...) {
        if (logging)
            WriteDebugLog(Error, CaughtErrorDescription());
        throw;
    }
    if (logging)
        LogCallLine(CallEnd + method.Name, [&] {
            return Result + LogText(result.get()) + ParamsAfterResult + LogText(params);
        });
}

// A line whose text cannot be made (a value without a text form) is dropped
// like one the file refuses: the log never decides a call.
void TBaseObject::LogCallLine(std::wstring_view name, const std::function<std::wstring()>& text) {
    try {
        WriteDebugLog(name, text());
    } catch (const std::exception&) {
    }
}

std::wstring TBaseObject::CallDataLogText(std::wstring_view, TCallData, const VARIANT& data) {
    return LogText(data);
}

TMethodStruct& TBaseObject::FindOrAddMethod(std::wstring_view name) {
    const int id = FindMethodID(name);
    if (id >= 0)
        return FMethodList[static_cast<size_t>(id)];
    TMethodStruct& entry = FMethodList.emplace_back();
    entry.Name = std::wstring(name.substr(0, MaxMethodNameLength));
    return entry;
}

void TBaseObject::RegisterPrivateMethod(std::wstring_view name, TPrivateMethod handler) {
    TMethodStruct& entry = FindOrAddMethod(name);
    entry.IsPublic = false;
    entry.IsSpecific = false;
    entry.PrivateMethod = std::move(handler);
    entry.PublicMethod = nullptr;
}

void TBaseObject::RegisterMethod(std::wstring_view name, bool IsSpecific, TPublicMethod handler) {
    TMethodStruct& entry = FindOrAddMethod(name);
    entry.IsPublic = true;
    entry.IsSpecific = IsSpecific;
    entry.PublicMethod = std::move(handler);
    entry.PrivateMethod = nullptr;
}

void TBaseObject::RegisterPublicMethod(std::wstring_view name, TPublicMethod handler) {
    RegisterMethod(name, false, std::move(handler));
}

void TBaseObject::RegisterSpecificMethod(std::wstring_view name, TPublicMethod handler) {
    RegisterMethod(name, true, std::move(handler));
}

} // namespace svcgate
