#include "common/Dispatch.h"

#include "common/Exception.h"

#include <string>

namespace svcgate {

namespace {

DISPID DispIdOf(IDispatch* object, std::wstring_view name) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    CheckHResult(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
}

} // namespace

InvokeOutcome InvokeDispId(IDispatch* object, DISPID id, WORD flags,
                           std::vector<unique_variant> arguments) {
    std::vector<VARIANT> rgvarg;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
        rgvarg.push_back(it->detach());
    DISPPARAMS params{rgvarg.data(), nullptr, static_cast<UINT>(rgvarg.size()), 0};
    EXCEPINFO info{};
    InvokeOutcome outcome;
    outcome.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                outcome.result.put(), &info, nullptr);
    for (VARIANT& argument : rgvarg)
        unique_variant::adopt(argument);
    outcome.scode = info.scode;
    outcome.description.reset(info.bstrDescription);
    outcome.source.reset(info.bstrSource);
    unique_bstr helpFile(info.bstrHelpFile);
    return outcome;
}

unique_variant InvokeMethod(IDispatch* object, std::wstring_view name,
                            std::vector<unique_variant> arguments) {
    InvokeOutcome outcome =
        InvokeDispId(object, DispIdOf(object, name), DISPATCH_METHOD, std::move(arguments));
    if (outcome.hr == DISP_E_EXCEPTION && !outcome.description.str().empty())
        throw Exception(outcome.description.str());
    CheckHResult(outcome.hr);
    return std::move(outcome.result);
}

} // namespace svcgate
