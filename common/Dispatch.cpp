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

[[noreturn]] void RaiseCallFailure(HRESULT hr, EXCEPINFO& info) {
    unique_bstr description(info.bstrDescription);
    unique_bstr source(info.bstrSource);
    unique_bstr helpFile(info.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && description.get() && *description.get())
        throw Exception(description.str());
    CheckHResult(hr);
    throw Exception(SystemErrorMessage(static_cast<DWORD>(hr)));
}

} // namespace

unique_variant InvokeMethod(IDispatch* object, std::wstring_view name,
                            std::vector<unique_variant> arguments) {
    const DISPID id = DispIdOf(object, name);
    // The callee expects the last argument first.
    std::vector<VARIANT> rgvarg;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
        rgvarg.push_back(it->detach());
    DISPPARAMS params{rgvarg.data(), nullptr, static_cast<UINT>(rgvarg.size()), 0};
    EXCEPINFO info{};
    unique_variant result;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                      result.put(), &info, nullptr);
    for (VARIANT& argument : rgvarg)
        unique_variant::adopt(argument);
    if (FAILED(hr))
        RaiseCallFailure(hr, info);
    return result;
}

} // namespace svcgate
