// fuzz-host: random Invoke calls on the registered driver, created by its
// ProgID in a worker process of its own, so that a crash is counted and the
// campaign goes on in a new worker. Every call must end in an HRESULT the call
// frame documents; committed memory and handles must not grow after warm-up.

#include "HostArguments.h"

#include "campaign/DriverHost.h"
#include "campaign/Processes.h"
#include "clients/HostCalls.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "gateway-sim/GatewaySimulator.h"

#include <cstdio>
#include <functional>
#include <map>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

constexpr const wchar_t* Password = CampaignPassword;

// An object that knows no names: what a host may hand over instead of its manager.
class NamelessObject : public ComObject<IDispatch> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// The settings dialog is modal: a campaign without a user would wait for ever.
const std::vector<std::wstring>& MethodNames() {
    static const std::vector<std::wstring> names{L"Init",
                                                 L"Open",
                                                 L"Close",
                                                 L"GetDeviceInfo",
                                                 L"Enable",
                                                 L"Disable",
                                                 L"GetSettings",
                                                 L"SetSettings",
                                                 L"CheckHealth",
                                                 L"GetServiceCodes",
                                                 L"GetServiceGroups",
                                                 L"GetServiceParams",
                                                 L"AuthorizeService",
                                                 L"GetAuthorizationStatus",
                                                 L"Settlement",
                                                 L"CancelServiceAuthorization",
                                                 L"GetAgentInfo",
                                                 L"GetServiceComission",
                                                 L"GetNeedIdentifyClient",
                                                 L"SetIdentifyClient",
                                                 L"InitializeTerminal",
                                                 L"enable",
                                                 L"GETSERVICECODES",
                                                 L"NoSuchMethod",
                                                 L""};
    return names;
}
constexpr DISPID SettingsDialogID = 3;

bool Documented(HRESULT hr) {
    return hr == S_OK || hr == E_NOTIMPL || hr == E_FAIL || hr == E_INVALIDARG ||
           hr == DISP_E_EXCEPTION || hr == DISP_E_MEMBERNOTFOUND;
}

std::string HexOf(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

class Worker {
public:
    explicit Worker(const Options& options)
        : options_(options), simulator_(SimulatorSettings()),
          folder_(options.Extra(L"--folder", L"C:\\users\\Public\\fuzz-host")),
          host_(folder_, L"FUZZ") {
        server_.SetResponder([this](const tools::ReceivedRequest& request) {
            return simulator_.Answer(request).answer;
        });
        Restore();
        goodSettings_ = GetElement(ArrayOf(host_.Call(L"GetSettings").out.get()), 0);
    }

    void Run() {
        const Budget budget(options_);
        // The 32-bit module's heap takes its last step of 2 MB after some 250 calls
        // of this seed, and is flat from there; a tenth of the short run was too short.
        const long warmUp = std::min<long>(1000, options_.count / 2);
        ProcessFigures settled = MeasureProcess();
        long done = 0;
        for (; budget.Allows(done); ++done) {
            if (done == warmUp)
                settled = MeasureProcess();
            currentCase_ = options_.first + done;
            std::printf("case %ld\n", currentCase_);
            std::fflush(stdout);
            // Random calls mostly leave the driver disabled; it is enabled again
            // now and then, so that the selling methods reach the gateway too.
            if (done % 25 == 0)
                Restore();
            RunCase(currentCase_);
        }
        // What the last calls left behind is not growth.
        Restore();
        const ProcessFigures end = MeasureProcess();
        Figure("Invoke calls", done);
        Figure("enablings", enablings_);
        Figure("calls that answered true", answeredTrue_);
        Figure("gateway requests they made", gatewayRequests_);
        results_.Print("HRESULT ");
        flat_ = GrowthFigures("calls", settled, end, done - warmUp,
                              {.bytesPerCase = 256,
                               .slackBytes = 2 * 1024 * 1024,
                               .casesPerHandle = 100,
                               .slackHandles = 48});
        Figure("failures", failures_.Count());
        counted_ = Check(results_.Total() == done, "the HRESULTs do not add up to the calls") &&
                   Check(answeredTrue_ > 0 && gatewayRequests_ > 0,
                         "no call answered true or reached the gateway");
    }

    const long* CurrentCase() const { return &currentCase_; }
    bool Passed() const { return failures_.Count() == 0 && flat_ && counted_; }

private:
    static tools::SimulatorOptions SimulatorSettings() {
        tools::SimulatorOptions settings;
        settings.catalogue = SimulatorFile(L"catalogue.xml");
        settings.password = Password;
        return settings;
    }

    // A driver that never enables would leave the selling methods untried.
    void Restore() {
        host_.Configure(GatewaySettings(
            server_.Url(), options_.Extra(L"--driver-password", Password), 2000, false));
        if (host_.Call(L"Enable").ok)
            ++enablings_;
        else
            failures_.Report(options_, currentCase_, "the driver could not be enabled");
        server_.ForgetRequests();
    }

    void RunCase(long caseNumber) {
        LeakOnPurpose(options_);
        Random random(options_.seed, static_cast<std::uint64_t>(caseNumber));
        Arena arena;
        com_ptr<IDispatch> nameless(new NamelessObject);
        ArgumentMaker maker(random, arena, {host_.Manager(), nameless.get(), host_.Driver()});
        const std::wstring name = random.Pick(MethodNames());
        DISPID id = DISPID_UNKNOWN;
        if (random.Chance(10))
            id = random.Chance(50) ? static_cast<DISPID>(random.Between(22, 200000))
                                   : static_cast<DISPID>(random.Raw());
        else if (!name.empty())
            id = test::DispIdOf(host_.Driver(), name);
        if (id == SettingsDialogID)
            id = DISPID_UNKNOWN;
        std::vector<unique_variant> arguments = random.Chance(25)
                                                    ? WellFormed(name, random, maker, arena)
                                                    : RandomArguments(random, maker);
        WORD flags = DISPATCH_METHOD;
        if (random.Chance(10))
            flags = static_cast<WORD>(random.Below(16));
        if (flags & DISPATCH_PROPERTYPUT && !(flags & DISPATCH_METHOD))
            flags = DISPATCH_PROPERTYPUT;
        const InvokeOutcome outcome = InvokeDispId(host_.Driver(), id, flags, std::move(arguments));
        results_.Add(HexOf(outcome.hr));
        if (test::AnsweredTrue(outcome.result))
            ++answeredTrue_;
        gatewayRequests_ += static_cast<long>(server_.Requests().size());
        if (!Documented(outcome.hr))
            failures_.Report(options_, caseNumber,
                             Narrow(name) + ": undocumented HRESULT " + HexOf(outcome.hr));
        else if (outcome.hr == DISP_E_EXCEPTION && outcome.scode != 1001)
            failures_.Report(options_, caseNumber,
                             Narrow(name) + ": exception with scode " +
                                 std::to_string(outcome.scode));
        server_.ForgetRequests();
    }

    std::vector<unique_variant> RandomArguments(Random& random, ArgumentMaker& maker) {
        std::vector<unique_variant> arguments;
        const std::uint32_t count = random.Chance(60) ? 3 : random.Below(7);
        for (std::uint32_t i = 0; i < count; ++i)
            arguments.push_back(maker.Any());
        return arguments;
    }

    // The arguments a careful host passes, so that the driver also spends time
    // enabled, selling and with settings a host would give.
    std::vector<unique_variant> WellFormed(const std::wstring& name, Random& random,
                                           ArgumentMaker& maker, Arena& arena) {
        unique_variant& outData = arena.NewHostVariable();
        if (SameText(name, L"Init"))
            return Args(MakeDispatchVariant(host_.Manager()), test::Ref(outData));
        if (SameText(name, L"Open"))
            return Args(MakeVariant(L"FUZZ"), test::Ref(outData));
        return test::EquipmentArguments(InDataFor(name, random, maker), outData);
    }

    unique_variant InDataFor(const std::wstring& name, Random& random, ArgumentMaker& maker) {
        if (SameText(name, L"SetSettings"))
            return random.Chance(50) ? InArray(Args(goodSettings_.copy()))
                                     : maker.DamagedSettings(ArrayOf(goodSettings_.get()));
        if (SameText(name, L"AuthorizeService"))
            return InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}),
                                MakeVariant(100.0), MakeVariant(100.0),
                                AccountTable(L"9001234567")));
        if (SameText(name, L"GetAuthorizationStatus") ||
            SameText(name, L"CancelServiceAuthorization"))
            return InArray(Args(MakeVariant(L""), MakeVariant(L""),
                                MakeVariant(std::to_wstring(random.Between(-1, 5)))));
        if (SameText(name, L"GetServiceParams") || SameText(name, L"GetServiceComission") ||
            SameText(name, L"GetNeedIdentifyClient"))
            return InArray(Args(MakeVariant(random.Chance(50) ? L"1001" : L"3001"),
                                MakeVariant(L"+79001234567")));
        if (SameText(name, L"SetIdentifyClient"))
            return InArray(Args(MakeVariant(L""), MakeVariant(L"+79001234567"),
                                MakeVariant(maker.Text()), MakeVariant(L""), MakeVariant(L"И"),
                                MakeVariant(L"4500"), MakeVariant(L""), MakeVariant(L""),
                                MakeVariant(L""), MakeVariant(29000.0)));
        return {};
    }

    Options options_;
    tools::GatewaySimulator simulator_;
    tools::GatewayServer server_;
    std::wstring folder_;
    DriverHost host_;
    unique_variant goodSettings_;
    Tally results_;
    Failures failures_;
    long currentCase_ = 0;
    long enablings_ = 0;
    bool flat_ = false;
    bool counted_ = false;
    long answeredTrue_ = 0;
    long gatewayRequests_ = 0;
};

int RunWorker(const Options& options) {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Worker worker(options);
    ReportCrashesOf(worker.CurrentCase(), options);
    worker.Run();
    return worker.Passed() ? 0 : 1;
}

// Workers run the cases in turn; after a crash the next worker starts at the
// case after the one that crashed.
int RunCampaign(Options options) {
    std::printf("fuzz-host %s\n", Narrow(OptionsText(options)).c_str());
    std::fflush(stdout);
    const long end = options.first + options.count;
    long crashes = 0, failures = 0;
    while (options.first < end) {
        options.count = end - options.first;
        ChildProcess worker(ThisProgramQuoted() + L" --worker " + OptionsText(options));
        worker.CloseInput();
        long last = options.first - 1;
        std::string line;
        while (worker.ReadLine(line)) {
            if (line.starts_with("case "))
                last = std::stol(line.substr(5));
            else
                std::printf("%s\n", line.c_str());
            if (line.starts_with("FAILED"))
                ++failures;
        }
        const DWORD code = worker.Wait();
        if (last + 1 >= end && code <= 1)
            break;
        if (code == 2)
            return 2;
        ++crashes;
        std::printf("CRASH: the worker ended with 0x%08lX in case %ld\n", code, last);
        options.first = last + 1;
    }
    Figure("crashes", crashes);
    return crashes == 0 && failures == 0 ? 0 : 1;
}

} // namespace

int main() {
    const Options options = ParseOptions(10000);
    return RunGuarded(
        [&] { return options.Has(L"--worker") ? RunWorker(options) : RunCampaign(options); });
}
