// longrun: sales in a row through the registered driver against the gateway
// simulator, with the debug log on: every step of every sale must succeed, and
// committed memory, handles and the log's size are measured per sale after warm-up.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"
#include "campaign/Processes.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Variants.h"

#include <cstdio>
#include <filesystem>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

// The size of every debug log file under a folder and its subfolders.
ULONGLONG LogBytes(const std::wstring& folder) {
    ULONGLONG total = 0;
    for (const std::filesystem::path& file : FilesUnder(folder)) {
        std::error_code gone;
        const std::uintmax_t size = std::filesystem::file_size(file, gone);
        if (!gone && file.filename().wstring().starts_with(L"Debug_"))
            total += size;
    }
    return total;
}

class LongRun {
public:
    explicit LongRun(const Options& options)
        : options_(options), simulator_(CampaignPassword, {}),
          folder_(options.Extra(L"--folder", L"C:\\users\\Public\\longrun")),
          host_(folder_, L"LONGRUN") {
        host_.Configure(GatewaySettings(simulator_.Url(), CampaignPassword, 10000, true));
        if (!host_.Call(L"Enable").ok)
            throw Exception(L"the driver could not be enabled");
    }

    static constexpr long StepsPerSale = 8;

    void Sale(long number) {
        LeakOnPurpose(options_);
        Step(number, L"GetServiceCodes", {});
        Step(number, L"GetServiceParams", InArray(Args(MakeVariant(L"1001"))));
        Step(number, L"GetServiceComission",
             InArray(Args(MakeVariant(L"1001"), MakeVariant(500.0))));
        Step(number, L"GetNeedIdentifyClient",
             InArray(Args(MakeVariant(L"1001"), MakeVariant(L"+79001234567"))));
        const HostCall sale = Step(
            number, L"AuthorizeService",
            InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}), MakeVariant(500.0),
                         MakeVariant(500.0), AccountTable(L"9001234567"))));
        const std::wstring transaction = sale.Element(0), payment = sale.Element(1);
        Step(number, L"GetAuthorizationStatus",
             InArray(Args(MakeVariant(L""), MakeVariant(L""), MakeVariant(payment))));
        Step(number, L"CancelServiceAuthorization",
             InArray(Args(MakeVariant(transaction), MakeVariant(payment))));
        Step(number, L"GetAgentInfo", {});
    }

    ULONGLONG Log() const { return LogBytes(folder_); }
    long Steps() const { return steps_; }
    long FailureCount() const { return failures_.Count(); }

private:
    HostCall Step(long number, const wchar_t* method, unique_variant inData) {
        ++steps_;
        HostCall call = host_.Call(method, std::move(inData));
        if (!call.ok)
            failures_.Report(options_, number,
                             Narrow(method) + ": " + std::to_string(call.Code()) + " " +
                                 Narrow(call.Text()));
        return call;
    }

    Options options_;
    SimulatorProcess simulator_;
    std::wstring folder_;
    DriverHost host_;
    Failures failures_;
    long steps_ = 0;
};

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(2000);
    std::printf("longrun %s\n", Narrow(OptionsText(options)).c_str());
    return RunGuarded([&] {
        LongRun run(options);
        const Budget budget(options);
        const long warmUp = std::min<long>(100, options.count / 10);
        ProcessFigures settled = MeasureProcess();
        ULONGLONG logAtWarmUp = run.Log();
        const DWORD start = GetTickCount();
        long done = 0;
        for (; budget.Allows(done); ++done) {
            if (done == warmUp) {
                settled = MeasureProcess();
                logAtWarmUp = run.Log();
            }
            run.Sale(options.first + done);
        }
        const ProcessFigures end = MeasureProcess();
        const long measured = std::max<long>(done - warmUp, 1);
        Figure("sales", done);
        Figure("host calls", run.Steps());
        Figure("failed steps", run.FailureCount());
        const bool flat = GrowthFigures("sales", settled, end, done - warmUp,
                                        {.bytesPerCase = 1024,
                                         .slackBytes = 2 * 1024 * 1024,
                                         .casesPerHandle = 100,
                                         .slackHandles = 16});
        Figure("debug log growth per sale",
               std::to_string((run.Log() - logAtWarmUp) / static_cast<ULONGLONG>(measured)) +
                   " bytes");
        Figure("debug log at the end", std::to_string(run.Log() / 1024) + " KB");
        Figure("seconds", static_cast<long long>((GetTickCount() - start) / 1000));
        const bool counted =
            Check(done >= options.count && run.Steps() == done * LongRun::StepsPerSale,
                  "the sales or their host calls fell short");
        return run.FailureCount() == 0 && flat && counted ? 0 : 1;
    });
}
