// Host calls through IDispatch::Invoke into the service terminal, each beside
// the same number of calls of an automation method that does nothing.

#include "support/Timing.h"

#include "clients/HostCalls.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uEquipmentErrors.h"
#include "terminal/uBaseServiceTerminal.h"

#include <string>
#include <vector>

using namespace svcgate;

namespace {

constexpr long CallsPerRound = 100000;
constexpr int Rounds = 7;

// What a host call costs the caller and the platform before any frame runs.
// It lives on the stack of the benchmark, so its references are not counted.
class EmptyObject : public IDispatch {
public:
    static constexpr DISPID DoNothingId = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        *object = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (count != 1 || !SameText(names[0], L"DoNothing"))
            return DISP_E_UNKNOWNNAME;
        *ids = DoNothingId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return id == DoNothingId ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
};

// A script host's call of an equipment method, its name resolved once, with
// InData empty. The outcome is left as Invoke gives it, lest the benchmark time
// the copies of the texts of a test's call.
class HostCall {
public:
    HostCall(IDispatch* object, const wchar_t* name)
        : object_(object), id_(test::DispIdOf(object, name)) {
        bench::Expect(id_ != DISPID_UNKNOWN, name);
    }

    unique_variant operator()() {
        InvokeOutcome outcome = InvokeDispId(object_, id_, DISPATCH_METHOD,
                                             test::EquipmentArguments(unique_variant(), OutData_));
        CheckHResult(outcome.hr);
        return std::move(outcome.result);
    }
    const unique_variant& OutData() const { return OutData_; }

private:
    IDispatch* object_;
    DISPID id_;
    unique_variant OutData_;
};

void ExpectAnswers(HostCall& deviceInfo, HostCall& serviceCodes) {
    bench::Expect(VariantToBool(deviceInfo().get()), L"GetDeviceInfo succeeds");
    const bool succeeded = VariantToBool(serviceCodes().get());
    bench::Expect(!succeeded && test::ErrorCode(serviceCodes.OutData()) == ResultCode::NotSupported,
                  L"GetServiceCodes answers 1003");
}

void Run() {
    EmptyObject empty;
    com_ptr<TBaseServiceTerminal> terminal = TBaseObject::Create<TBaseServiceTerminal>();
    HostCall nothing(&empty, L"DoNothing");
    HostCall deviceInfo(terminal.get(), L"GetDeviceInfo");
    HostCall serviceCodes(terminal.get(), L"GetServiceCodes");
    ExpectAnswers(deviceInfo, serviceCodes);
    const std::vector<bench::Figure> figures =
        bench::Compare({"empty IDispatch method (baseline)", [&] { nothing(); }},
                       {{"GetDeviceInfo", [&] { deviceInfo(); }},
                        {"GetServiceCodes (answers 1003)", [&] { serviceCodes(); }}},
                       CallsPerRound, Rounds);
    bench::PrintTable("Host calls through IDispatch::Invoke, medians of " + std::to_string(Rounds) +
                          " rounds of " + std::to_string(CallsPerRound) + " calls each",
                      figures);
}

} // namespace

int main() {
    return bench::RunInApartment(Run);
}
