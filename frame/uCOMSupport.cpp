#include "frame/uCOMSupport.h"

#include "common/ComServer.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "device/uEquipmentErrors.h"
#include "frame/uDebugLog.h"

#include <objbase.h>

namespace svcgate {

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
        CheckHResult(
            VariantCopyInd(copy.addr(), FollowVariantReferences(&params.rgvarg[count - 1 - i])));
        if (copy.vt() == VT_I2)
            copy = ConvertVariant(copy.get(), VT_I4);
        PutElement(array.get(), i, copy.get());
    }
    return array;
}

void StoreThroughReference(VARIANT& target, const VARIANT& value) {
    const VARTYPE type = V_VT(&target) & ~VT_BYREF;
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
        break;
    case VT_BSTR: {
        unique_variant text = ConvertVariant(value, VT_BSTR);
        unique_bstr old(*V_BSTRREF(&target));
        *V_BSTRREF(&target) = V_BSTR(text.addr());
        V_VT(text.addr()) = VT_EMPTY;
        return;
    }
    case VT_DISPATCH: {
        unique_variant object = ConvertVariant(value, VT_DISPATCH);
        com_ptr<IDispatch> old(*V_DISPATCHREF(&target));
        *V_DISPATCHREF(&target) = com_ptr<IDispatch>::share(V_DISPATCH(object.addr())).detach();
        return;
    }
    default:
        throw Exception(EquipmentResultText(ResultCode::BadInput));
    }
    // The plain types: the converted value's bytes go where the reference points.
    unique_variant converted = ConvertVariant(value, type);
    const VARIANT& v = converted.get();
    switch (type) {
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
}

void WriteArgumentsBack(SAFEARRAY* array, DISPPARAMS& params) {
    const long count = static_cast<long>(params.cArgs);
    for (long i = 0; i < count; ++i) {
        unique_variant value = GetElement(array, i);
        VARIANT* target = FollowVariantReferences(&params.rgvarg[count - 1 - i]);
        if (V_VT(target) & VT_BYREF) {
            StoreThroughReference(*target, value.get());
        } else {
            unique_variant old = unique_variant::adopt(*target);
            *target = value.detach();
        }
    }
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

unique_variant BuildErrorOutData(int32_t code, std::wstring_view description) {
    const std::wstring text =
        description.empty() ? EquipmentResultText(code) : std::wstring(description);
    return MakeVariantArray(MakeVariant(code), MakeVariant(text));
}

// A live object keeps the module loaded.
TBaseObject::TBaseObject() {
    ModuleObjectCreated();
}

TBaseObject::~TBaseObject() {
    ModuleObjectDestroyed();
}

void TBaseObject::Initialize() {
    FInstanceID = MakeInstanceID();
}

HRESULT TBaseObject::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TBaseObject::AddRef() {
    return InterlockedIncrement(&FRefCount);
}

ULONG TBaseObject::Release() {
    const ULONG count = InterlockedDecrement(&FRefCount);
    if (count == 0) {
        // Nothing may throw past the COM boundary, not even a failing last step.
        try {
            Destroy();
        } catch (...) {
        }
        delete this;
    }
    return count;
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
    } catch (const std::exception& error) {
        return ReportException(MessageOf(error), pExcepInfo);
    } catch (...) {
        return ReportException(EquipmentResultText(ResultCode::UnknownError), pExcepInfo);
    }
}

HRESULT TBaseObject::ReportException(std::wstring_view message, EXCEPINFO* excepInfo) {
    if (excepInfo) {
        excepInfo->scode = ExceptionSCode;
        excepInfo->bstrDescription = unique_bstr(message).detach();
        excepInfo->bstrSource = unique_bstr(Exception::ClassName).detach();
    }
    // A log that cannot be written must not turn a reported failure into a crash.
    try {
        WriteDebugLog(L"EXCEPTION",
                      std::wstring(Exception::ClassName) + L": " + std::wstring(message));
    } catch (...) {
    }
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
        WriteDebugLog(L"> " + method.Name,
                      L"InData: " + CallDataLogText(method.Name, InData.get()));
    HRESULT hr = E_INVALIDARG;
    if (IsOrdinal(timeOut.vt())) {
        hr = S_OK;
        std::wstring description;
        int32_t code = ResultCode::UnknownError;
        try {
            code = method.PublicMethod(InData.get(), OutData.get(), VariantToInt(timeOut.get()),
                                       description);
        } catch (const std::exception& error) {
            description = MessageOf(error);
        }
        if (code != ResultCode::Success) {
            if (description.empty())
                description = GetDriverResultDescription(code);
            OutData = BuildErrorOutData(code, description);
        }
        if (ElementCount(params) > 1)
            PutElement(params, 1, OutData.get());
        result = MakeBoolVariant(code == ResultCode::Success);
    }
    if (logging)
        WriteDebugLog(L"< " + method.Name, L"Result=" + LogText(result.get()) + L"; OutData: " +
                                               CallDataLogText(method.Name, OutData.get()));
    return hr;
}

void TBaseObject::CallPrivateMethod(const TMethodStruct& method, unique_variant& result,
                                    SAFEARRAY* params, bool logging) {
    if (logging)
        WriteDebugLog(L"> " + method.Name, L"Params: " + LogText(params));
    try {
        result = method.PrivateMethod(params);
    } catch (const std::exception& error) {
        WriteDebugLog(L"EXCEPTION", MessageOf(error));
        throw;
    }
    if (logging)
        WriteDebugLog(L"< " + method.Name,
                      L"Result=" + LogText(result.get()) + L"; Params: " + LogText(params));
}

std::wstring TBaseObject::CallDataLogText(std::wstring_view, const VARIANT& data) {
    return LogText(data);
}

std::wstring TBaseObject::GetDriverResultDescription(int32_t ResultCode) {
    return EquipmentResultText(ResultCode);
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
