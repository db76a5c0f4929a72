// payment-faults: sales through the registered driver against the simulator in
// this process, with the check or the offline registration answered by a
// dropped connection, a cut answer or no answer in time, before or after the
// gateway took it. The gateway's numbering must never skip or see again a number
// it accepted, and a failed sale must leave nothing a host would take as success.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"

#include "campaign/Processes.h"
#include "common/Dispatch.h"
#include "common/Text.h"
#include "common/Exception.h"
#include "common/Variants.h"
#include "gateway-sim/GatewaySimulator.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <set>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

constexpr const wchar_t* Password = CampaignPassword;
constexpr std::int32_t TimeoutMs = 1000;

enum class Fault { None, DroppedUnseen, DroppedAfter, Cut, Late };

const char* NameOf(Fault fault) {
    switch (fault) {
    case Fault::DroppedUnseen:
        return "dropped before the gateway saw it";
    case Fault::DroppedAfter:
        return "dropped after the gateway took it";
    case Fault::Cut:
        return "answer cut halfway";
    case Fault::Late:
        return "no answer in time (1007)";
    default:
        return "none";
    }
}

// The value of `name="..."` after `anchor` in a text, if any.
std::optional<std::string> ValueAfter(const std::string& text, const std::string& anchor,
                                      const std::string& name) {
    const size_t at = text.find(anchor);
    const size_t value = at == std::string::npos ? at : text.find(name + "=\"", at);
    if (value == std::string::npos)
        return std::nullopt;
    const size_t begin = value + name.size() + 2;
    return text.substr(begin, text.find('"', begin) - begin);
}

// The simulator behind a fault that strikes the next request of one operation,
// and what the gateway accepted, in order.
class FaultyGateway {
public:
    FaultyGateway() : simulator_(Settings()) {
        server_.SetResponder([this](const tools::ReceivedRequest& r) { return Answer(r); });
    }
    std::wstring Url() const { return server_.Url(); }

    void Arm(const std::string& operation, Fault fault) {
        std::lock_guard lock(mutex_);
        operation_ = operation;
        fault_ = fault;
    }
    std::vector<std::int32_t> Accepted() const {
        std::lock_guard lock(mutex_);
        return accepted_;
    }
    std::optional<std::string> UidOf(std::int32_t id) const {
        std::lock_guard lock(mutex_);
        const auto found = uids_.find(id);
        return found == uids_.end() ? std::nullopt : std::optional(found->second);
    }
    long Repeats() const { return repeats_; }
    void Forget() { server_.ForgetRequests(); }

private:
    static tools::SimulatorOptions Settings() {
        tools::SimulatorOptions settings;
        settings.catalogue = SiblingProgram(L"gateway-sim", L"catalogue.xml");
        settings.password = Password;
        settings.balance = 1'000'000'000'0000ll;
        return settings;
    }

    tools::ScriptedAnswer Answer(const tools::ReceivedRequest& request) {
        std::lock_guard lock(mutex_);
        const bool registration = request.body.find("<addOfflinePayment") != std::string::npos;
        const std::optional<std::string> id = ValueAfter(request.body, "<payment", "id");
        if (registration && id && accepted_set_.contains(std::stoi(*id)))
            ++repeats_;
        const bool struck =
            fault_ != Fault::None && request.body.find("<" + operation_) != std::string::npos;
        const Fault fault = struck ? std::exchange(fault_, Fault::None) : Fault::None;
        if (fault == Fault::DroppedUnseen)
            return {.fault = tools::ScriptedAnswer::Fault::DropBeforeAnswer};
        tools::SimulatedAnswer answer = simulator_.Answer(request);
        if (registration && id && answer.outcome == "0") {
            accepted_.push_back(std::stoi(*id));
            accepted_set_.insert(accepted_.back());
            uids_[accepted_.back()] =
                ValueAfter(answer.answer.body, "<payment", "uid").value_or("");
        }
        if (fault == Fault::DroppedAfter)
            answer.answer.fault = tools::ScriptedAnswer::Fault::DropBeforeAnswer;
        else if (fault == Fault::Cut)
            answer.answer.fault = tools::ScriptedAnswer::Fault::DropMidAnswer;
        else if (fault == Fault::Late)
            answer.answer.delayMs = TimeoutMs + 1500;
        return answer.answer;
    }

    tools::GatewaySimulator simulator_;
    tools::GatewayServer server_;
    mutable std::mutex mutex_;
    std::string operation_;
    Fault fault_ = Fault::None;
    std::vector<std::int32_t> accepted_;
    std::set<std::int32_t> accepted_set_;
    std::map<std::int32_t, std::string> uids_;
    long repeats_ = 0;
};

class Campaign {
public:
    explicit Campaign(const Options& options)
        : options_(options),
          host_(options.Extra(L"--folder", L"C:\\users\\Public\\payments"), L"PAYMENTS") {
        host_.Configure(GatewaySettings(gateway_.Url(), Password, TimeoutMs, false));
        if (!host_.Call(L"Enable").ok)
            throw Exception(L"the driver could not be enabled");
    }

    void RunSale(long caseNumber) {
        Random random(options_.seed, static_cast<std::uint64_t>(caseNumber));
        const Fault fault =
            random.Chance(50) ? Fault::None : static_cast<Fault>(1 + random.Below(4));
        const std::string step = random.Chance(50) ? "checkPaymentRequisites" : "addOfflinePayment";
        gateway_.Arm(step, fault);
        const size_t acceptedBefore = gateway_.Accepted().size();
        const HostCall sale = host_.Call(
            L"AuthorizeService",
            InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}), MakeVariant(100.0),
                         MakeVariant(100.0), AccountTable(L"9001234567"))));
        gateway_.Arm("", Fault::None);
        gateway_.Forget();
        const bool accepted = gateway_.Accepted().size() > acceptedBefore;
        outcomes_.Add(std::string(fault == Fault::None ? "no fault" : step + ", " + NameOf(fault)) +
                      " -> " + (sale.ok ? "sold" : std::to_string(sale.Code())));
        if (sale.ok)
            CheckSold(caseNumber, sale);
        else if (sale.Code() <= 0 || sale.Text().empty())
            failures_.Report(options_, caseNumber, "a failed sale without its code and text");
        if (!sale.ok && accepted)
            ++acceptedUnsold_;
        if (fault == Fault::None && !sale.ok)
            failures_.Report(options_, caseNumber,
                             "a sale without a fault failed: " + std::to_string(sale.Code()) + " " +
                                 Narrow(sale.Text()));
    }

    void Report(long sales) const {
        const std::vector<std::int32_t> accepted = gateway_.Accepted();
        long skips = 0;
        for (size_t i = 1; i < accepted.size(); ++i)
            if (accepted[i] != accepted[i - 1] + 1)
                skips +=
                    std::abs(accepted[i] - accepted[i - 1] - 1) + (accepted[i] <= accepted[i - 1]);
        Figure("sales", sales);
        outcomes_.Print("");
        Figure("payments the gateway accepted", static_cast<long long>(accepted.size()));
        Figure("numbers skipped", skips);
        Figure("registrations sent with a number already accepted", gateway_.Repeats());
        Figure("sales sold that the gateway had not accepted", soldUnaccepted_);
        Figure("sales the gateway accepted while the host was told they failed", acceptedUnsold_);
        Figure("failures", failures_.Count() + skips + gateway_.Repeats());
    }
    long FailureCount() const { return failures_.Count(); }

private:
    // A sale the host takes as made must be one the gateway accepted, with its
    // number and transaction identifier.
    void CheckSold(long caseNumber, const HostCall& sale) {
        const std::wstring id = sale.Element(1);
        const std::optional<std::string> uid = gateway_.UidOf(std::stoi(Narrow(id)));
        if (!uid || Utf8ToWide(*uid) != sale.Element(0)) {
            ++soldUnaccepted_;
            failures_.Report(options_, caseNumber, "sold as " + Narrow(id) + " but not accepted");
        }
    }

    Options options_;
    FaultyGateway gateway_;
    DriverHost host_;
    Tally outcomes_;
    Failures failures_;
    long soldUnaccepted_ = 0;
    long acceptedUnsold_ = 0;
};

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(1000);
    std::printf("payment-faults %s\n", Narrow(OptionsText(options)).c_str());
    return RunGuarded([&] {
        Campaign campaign(options);
        const Budget budget(options);
        long done = 0;
        for (; budget.Allows(done); ++done)
            campaign.RunSale(options.first + done);
        campaign.Report(done);
        return campaign.FailureCount() == 0 ? 0 : 1;
    });
}
