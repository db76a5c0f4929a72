#pragma once
// A stand-in for the host's equipment manager, the automation object a driver
// calls back by name. It answers only the way the host's manager is called and
// refuses any other call loudly, so that a driver test fails where the host would.

#include "common/ComObject.h"
#include "common/Owners.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace svcgate::tools {

inline constexpr const wchar_t* EqManagerProgId = L"SvcGate.TestEqManager";

// One call a driver made: the method's name as the manager spells it, and its
// arguments in the host's order with by-reference arguments resolved to values.
struct EqManagerCall {
    std::wstring method;
    std::vector<unique_variant> arguments;
};

class EqManager final : public ComObject<IDispatch> {
public:
    // What "GetAppProperty" answers for a property; a property never set is unknown.
    void SetAppProperty(std::wstring_view name, std::wstring_view value);
    // The reply of one of the six other methods, converted to the type it answers with.
    void SetReply(std::wstring_view method, const VARIANT& reply);
    // Makes the method raise an automation exception with this description; an
    // empty description makes it answer again.
    void FailMethod(std::wstring_view method, std::wstring_view description);

    const std::vector<EqManagerCall>& Calls() const { return calls_; }
    // A call as a line such as "WriteLog(DEV1, name, text, 1)".
    std::wstring CallText(std::size_t index) const;
    void ClearCalls() { calls_.clear(); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                                     UINT* badArgument) override;

private:
    friend com_ptr<EqManager> CreateEqManager();
    EqManager();

    HRESULT CallManagerMethod(std::size_t index, DISPPARAMS& params, unique_variant& reply,
                              EXCEPINFO* error, UINT* badArgument);
    unique_variant AnswerAppProperty(DISPPARAMS& params) const;
    const std::wstring* FindAppProperty(std::wstring_view name) const;

    std::vector<std::pair<std::wstring, std::wstring>> properties_;
    // Indexed as the manager's method table.
    std::vector<unique_variant> replies_;
    std::vector<std::wstring> failures_;
    std::vector<EqManagerCall> calls_;
};

com_ptr<EqManager> CreateEqManager();

} // namespace svcgate::tools
