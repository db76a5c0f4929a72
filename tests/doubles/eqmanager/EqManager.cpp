#include "eqmanager/EqManager.h"

#include "common/ComServer.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"

#include <cstdint>
#include <optional>

namespace svcgate::tools {

namespace {

// How the host passes one argument. A by-reference argument may also come as a
// reference to a variant that holds the type, as script hosts pass variables.
struct ArgumentKind {
    VARTYPE type;
    bool byReference;
};

constexpr ArgumentKind TextByValue{VT_BSTR, false};
constexpr ArgumentKind TextByReference{VT_BSTR, true};
constexpr ArgumentKind IntByReference{VT_I4, true};
constexpr ArgumentKind BoolByValue{VT_BOOL, false};
constexpr ArgumentKind VariantByReference{VT_VARIANT, true};

struct ManagerMethod {
    const wchar_t* name;
    std::vector<ArgumentKind> arguments;
    // VT_EMPTY for "GetAppProperty", whose reply depends on the property asked for.
    VARTYPE reply;
};

const std::vector<ManagerMethod>& ManagerMethods() {
    static const std::vector<ManagerMethod> methods = {
        {L"GetAppProperty", {TextByReference, TextByReference, TextByReference}, VT_EMPTY},
        {L"WriteLog", {TextByValue, TextByValue, TextByValue, IntByReference}, VT_BOOL},
        {L"DataEvent", {TextByValue, TextByValue, TextByValue, VariantByReference}, VT_BOOL},
        {L"ErrorEvent", {TextByValue, TextByValue, TextByValue, VariantByReference}, VT_BOOL},
        {L"TaskState", {TextByValue, IntByReference, TextByValue}, VT_BOOL},
        {L"MessageDlg",
         {TextByValue, TextByValue, IntByReference, IntByReference, IntByReference},
         VT_I4},
        {L"InputDataDlg",
         {TextByValue, TextByValue, TextByValue, TextByValue, TextByValue, BoolByValue,
          IntByReference},
         VT_BSTR},
    };
    return methods;
}

constexpr std::size_t GetAppPropertyIndex = 0;
constexpr DISPID FirstManagerId = 1;
constexpr DISPID FirstScriptId = 101;

using ScriptArguments = std::vector<unique_variant>;

std::size_t CallIndex(const VARIANT& value) {
    const std::int32_t index = VariantToInt(value);
    if (index < 0)
        throw Exception(FormatText(L"No call number %d", static_cast<int>(index)));
    return static_cast<std::size_t>(index);
}

// Methods that let a script configure and inspect the object; a driver never calls them.
struct ScriptMethod {
    const wchar_t* name;
    UINT argumentCount;
    unique_variant (*run)(EqManager& manager, const ScriptArguments& arguments);
};

const std::vector<ScriptMethod>& ScriptMethods() {
    static const std::vector<ScriptMethod> methods = {
        {L"SetAppProperty", 2,
         [](EqManager& manager, const ScriptArguments& arguments) {
             manager.SetAppProperty(VariantToText(arguments[0].get()),
                                    VariantToText(arguments[1].get()));
             return unique_variant();
         }},
        {L"SetReply", 2,
         [](EqManager& manager, const ScriptArguments& arguments) {
             manager.SetReply(VariantToText(arguments[0].get()), arguments[1].get());
             return unique_variant();
         }},
        {L"FailMethod", 2,
         [](EqManager& manager, const ScriptArguments& arguments) {
             manager.FailMethod(VariantToText(arguments[0].get()),
                                VariantToText(arguments[1].get()));
             return unique_variant();
         }},
        {L"ClearCalls", 0,
         [](EqManager& manager, const ScriptArguments&) {
             manager.ClearCalls();
             return unique_variant();
         }},
        {L"CallCount", 0,
         [](EqManager& manager, const ScriptArguments&) {
             return MakeVariant(static_cast<std::int32_t>(manager.Calls().size()));
         }},
        {L"CallText", 1,
         [](EqManager& manager, const ScriptArguments& arguments) {
             return MakeVariant(manager.CallText(CallIndex(arguments[0].get())));
         }},
    };
    return methods;
}

template <class Table>
std::optional<std::size_t> FindByName(const Table& table, std::wstring_view name) {
    for (std::size_t index = 0; index < table.size(); ++index)
        if (SameText(table[index].name, name))
            return index;
    return std::nullopt;
}

std::size_t ManagerMethodIndex(std::wstring_view name) {
    if (const auto index = FindByName(ManagerMethods(), name))
        return *index;
    throw Exception(L"The equipment manager has no method " + std::wstring(name));
}

unique_variant DefaultReply(VARTYPE type) {
    switch (type) {
    case VT_BOOL:
        return MakeBoolVariant(true);
    case VT_I4:
        // As if the user closed the message with its first button.
        return MakeVariant(static_cast<std::int32_t>(IDOK));
    case VT_BSTR:
        return MakeVariant(L"");
    default:
        return unique_variant();
    }
}

bool Matches(const VARIANT& argument, ArgumentKind kind) {
    if (!kind.byReference)
        return V_VT(&argument) == kind.type;
    if (V_VT(&argument) == (VT_BYREF | kind.type))
        return V_BYREF(&argument) != nullptr;
    const VARIANT* held =
        V_VT(&argument) == (VT_BYREF | VT_VARIANT) ? V_VARIANTREF(&argument) : nullptr;
    return held && V_VT(held) == kind.type;
}

// The host's rgvarg holds the last argument first.
VARIANT& Argument(DISPPARAMS& params, std::size_t hostIndex) {
    return params.rgvarg[params.cArgs - 1 - hostIndex];
}

unique_variant Resolved(VARIANT& argument) {
    unique_variant value;
    CheckHResult(VariantCopyInd(value.put(), &argument));
    return value;
}

std::vector<unique_variant> ResolvedArguments(DISPPARAMS& params) {
    std::vector<unique_variant> arguments;
    for (std::size_t index = 0; index < params.cArgs; ++index)
        arguments.push_back(Resolved(Argument(params, index)));
    return arguments;
}

void WriteText(VARIANT& reference, std::wstring_view text) {
    if (V_VT(&reference) == (VT_BYREF | VT_BSTR)) {
        ReplaceReferencedText(reference, text);
        return;
    }
    unique_variant previous = unique_variant::adopt(*V_VARIANTREF(&reference));
    *V_VARIANTREF(&reference) = MakeVariant(text).detach();
}

HRESULT RaiseAutomationError(std::wstring_view description, EXCEPINFO* error) {
    if (error) {
        *error = EXCEPINFO{};
        error->scode = E_FAIL;
        error->bstrSource = unique_bstr(EqManagerProgId).detach();
        error->bstrDescription = unique_bstr(description).detach();
    }
    return DISP_E_EXCEPTION;
}

std::wstring ArgumentText(const VARIANT& value);

std::wstring ArrayText(SAFEARRAY* array) {
    std::wstring text = L"[";
    for (long index = LowerBound(array); index <= UpperBound(array); ++index) {
        if (index > LowerBound(array))
            text += L", ";
        text += ArgumentText(GetElement(array, index).get());
    }
    return text + L"]";
}

std::wstring ArgumentText(const VARIANT& value) {
    SAFEARRAY* array = ArrayOf(value);
    if (array && (V_VT(&value) & VT_TYPEMASK) == VT_VARIANT && SafeArrayGetDim(array) == 1)
        return ArrayText(array);
    unique_variant text;
    // The invariant locale spells numbers the same way whatever the user's locale.
    if (FAILED(VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(&value), LOCALE_INVARIANT,
                                   VARIANT_ALPHABOOL, VT_BSTR)))
        return FormatText(L"<vt %u>", static_cast<unsigned>(V_VT(&value)));
    const BSTR bstr = V_BSTR(text.addressof());
    return bstr ? std::wstring(bstr, SysStringLen(bstr)) : std::wstring();
}

HRESULT RunScriptMethod(EqManager& manager, std::size_t index, DISPPARAMS& params,
                        unique_variant& reply) {
    const ScriptMethod& method = ScriptMethods()[index];
    if (params.cArgs != method.argumentCount)
        return DISP_E_BADPARAMCOUNT;
    reply = method.run(manager, ResolvedArguments(params));
    return S_OK;
}

} // namespace

EqManager::EqManager() : failures_(ManagerMethods().size()) {
    for (const ManagerMethod& method : ManagerMethods())
        replies_.push_back(DefaultReply(method.reply));
}

com_ptr<EqManager> CreateEqManager() {
    return com_ptr<EqManager>(new EqManager());
}

void EqManager::SetAppProperty(std::wstring_view name, std::wstring_view value) {
    for (auto& [known, knownValue] : properties_)
        if (SameText(known, name)) {
            knownValue = value;
            return;
        }
    properties_.emplace_back(name, value);
}

void EqManager::SetReply(std::wstring_view method, const VARIANT& reply) {
    const std::size_t index = ManagerMethodIndex(method);
    const VARTYPE type = ManagerMethods()[index].reply;
    if (type == VT_EMPTY)
        throw Exception(L"GetAppProperty answers from the properties, not from a set reply");
    replies_[index] = ConvertVariant(reply, type);
}

void EqManager::FailMethod(std::wstring_view method, std::wstring_view description) {
    failures_[ManagerMethodIndex(method)] = description;
}

std::wstring EqManager::CallText(std::size_t index) const {
    if (index >= calls_.size())
        throw Exception(FormatText(L"No call number %u", static_cast<unsigned>(index)));
    const EqManagerCall& call = calls_[index];
    std::wstring text = call.method + L"(";
    for (std::size_t argument = 0; argument < call.arguments.size(); ++argument)
        text += (argument ? L", " : L"") + ArgumentText(call.arguments[argument].get());
    return text + L")";
}

HRESULT EqManager::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EqManager::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return DISP_E_BADINDEX;
}

HRESULT EqManager::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    // Only a method name is known; named arguments are not.
    for (UINT index = 1; index < count; ++index)
        ids[index] = DISPID_UNKNOWN;
    if (const auto method = FindByName(ManagerMethods(), names[0]))
        ids[0] = FirstManagerId + static_cast<DISPID>(*method);
    else if (const auto script = FindByName(ScriptMethods(), names[0]))
        ids[0] = FirstScriptId + static_cast<DISPID>(*script);
    else
        ids[0] = DISPID_UNKNOWN;
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT EqManager::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* error, UINT* badArgument) {
    if (!params)
        return E_INVALIDARG;
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    const auto managerIndex = static_cast<std::size_t>(id - FirstManagerId);
    const auto scriptIndex = static_cast<std::size_t>(id - FirstScriptId);
    // No C++ exception may cross into the caller's runtime.
    try {
        unique_variant reply;
        HRESULT hr = DISP_E_MEMBERNOTFOUND;
        if (managerIndex < ManagerMethods().size())
            hr = CallManagerMethod(managerIndex, *params, reply, error, badArgument);
        else if (scriptIndex < ScriptMethods().size())
            hr = RunScriptMethod(*this, scriptIndex, *params, reply);
        if (hr == S_OK && result)
            *result = reply.detach();
        return hr;
    } catch (const Exception& failure) {
        return RaiseAutomationError(failure.Message(), error);
    } catch (const std::exception& failure) {
        return RaiseAutomationError(AnsiToWide(failure.what()), error);
    }
}

HRESULT EqManager::CallManagerMethod(std::size_t index, DISPPARAMS& params, unique_variant& reply,
                                     EXCEPINFO* error, UINT* badArgument) {
    const ManagerMethod& method = ManagerMethods()[index];
    if (params.cArgs != method.arguments.size())
        return DISP_E_BADPARAMCOUNT;
    for (std::size_t argument = 0; argument < params.cArgs; ++argument)
        if (!Matches(Argument(params, argument), method.arguments[argument])) {
            if (badArgument)
                *badArgument = static_cast<UINT>(params.cArgs - 1 - argument);
            return DISP_E_TYPEMISMATCH;
        }
    calls_.push_back({method.name, ResolvedArguments(params)});
    if (!failures_[index].empty())
        return RaiseAutomationError(failures_[index], error);
    reply = index == GetAppPropertyIndex ? AnswerAppProperty(params) : replies_[index].copy();
    return S_OK;
}

unique_variant EqManager::AnswerAppProperty(DISPPARAMS& params) const {
    const std::wstring* value = FindAppProperty(VariantToText(Resolved(Argument(params, 1)).get()));
    if (!value)
        return MakeBoolVariant(false);
    WriteText(Argument(params, 2), *value);
    return MakeBoolVariant(true);
}

const std::wstring* EqManager::FindAppProperty(std::wstring_view name) const {
    for (const auto& [known, value] : properties_)
        if (SameText(known, name))
            return &value;
    return nullptr;
}

} // namespace svcgate::tools
