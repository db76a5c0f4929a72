// payment-faults: sales at two desks at once, each the registered driver in a
// host process of its own on the same terminal, against one simulated gateway
// served on two addresses, as an operator's alternative host is. A sale's check
// or registration meets a fault of the link (the request lost, the answer
// dropped, cut or too late), a code of the gateway's whole table (a code that
// leaves the outcome open is sometimes answered after the gateway took the
// payment), or the host is killed: at the check, before the gateway saw the
// registration, while the gateway holds its answer, or at a random moment, and
// then started anew. A failed sale is tried again as a cashier would, with the
// same requisites, now and then at the other address, whether or not the other
// desk learned meanwhile that the gateway holds it. It fails on any sale held
// twice, any "sold" the gateway does not hold, any held payment the hosts were
// never told of, and any desk that cannot sell at the end. The second desk's
// host is this program unless --second-host names another build of it (the
// other bitness's, where both run).

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"

#include "campaign/Processes.h"
#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Module.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "gateway-sim/GatewaySimulator.h"
#include "gateway/PendingRegistration.h"
#include "gateway/uGatewayResults.h"
#include "gateway/uGatewayTexts.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

using namespace svcgate;
using namespace svcgate::campaign;
using tools::LinkFault;

namespace {

constexpr const wchar_t* Password = CampaignPassword;
constexpr std::int32_t TimeoutMs = 1000;
// Longer than any host waits: a host killed meanwhile never has the answer.
constexpr DWORD HoldMs = 60000;
constexpr int Desks = 2;
constexpr int Addresses = 2;
constexpr int MostAttempts = 4;
// Each held payment a closing sale learns of costs it one try.
constexpr int ClosingTries = 25;
const std::vector<LinkFault> Faults{LinkFault::LostRequest, LinkFault::Dropped, LinkFault::Cut,
                                    LinkFault::Late};
const std::vector<std::wstring> Steps{L"checkPaymentRequisites", L"addOfflinePayment"};

const char* NameOf(LinkFault fault) {
    switch (fault) {
    case LinkFault::LostRequest:
        return "lost before the gateway saw it";
    case LinkFault::Dropped:
        return "dropped after the gateway took it";
    case LinkFault::Cut:
        return "answer cut halfway";
    default:
        return "no answer in time";
    }
}

enum class Kill { None, AtCheck, BeforeTheGatewaySawIt, WhileTheGatewayHoldsTheAnswer, AtRandom };

// What one attempt of a sale meets.
struct Plan {
    std::string name = "no fault";
    std::wstring step;
    LinkFault fault = LinkFault::None;
    std::int32_t code = 0;
    bool taken = false;
    Kill kill = Kill::None;
    DWORD killAfterMs = 0;
};

Plan KillPlan(Random& random) {
    switch (random.Below(4)) {
    case 0:
        return {"killed at the check", Steps[0], LinkFault::LostRequest, 0, false, Kill::AtCheck};
    case 1:
        return {"killed before the gateway saw the registration",
                Steps[1],
                LinkFault::LostRequest,
                0,
                false,
                Kill::BeforeTheGatewaySawIt};
    case 2:
        return {"killed while the gateway holds the answer", Steps[1], LinkFault::Late, 0, false,
                Kill::WhileTheGatewayHoldsTheAnswer};
    default:
        return {"killed at a random moment",  L"", LinkFault::None, 0, false, Kill::AtRandom,
                DWORD(random.Between(0, 400))};
    }
}

Plan DrawPlan(Random& random) {
    static const std::vector<std::int32_t> codes = GatewayCodes();
    const std::uint32_t kind = random.Below(100);
    if (kind < 35)
        return {};
    const std::wstring& step = random.Pick(Steps);
    if (kind < 55) {
        const LinkFault fault = random.Pick(Faults);
        return {Narrow(step) + ", " + NameOf(fault), step, fault};
    }
    if (kind < 80) {
        const std::int32_t code = random.Pick(codes);
        const bool taken = step == Steps[1] && !RefusesPayment(code) && random.Chance(50);
        return {Narrow(step) + ", " + (RefusesPayment(code) ? "refusal" : "open code") +
                    (taken ? " after the gateway took it" : ""),
                step, LinkFault::None, code, taken};
    }
    return KillPlan(random);
}

Plan ClosingSale() {
    Plan plan;
    plan.name = "closing sale";
    return plan;
}

// One simulator behind two addresses; the attempt armed for an account meets its
// plan at the step it names.
class Gateway {
public:
    Gateway() : simulator_(Settings()) {
        for (tools::GatewayServer& server : servers_)
            server.SetResponder(
                [this](const tools::ReceivedRequest& request) { return Serve(request); });
    }
    std::wstring Url(int address) const { return servers_[address].Url(); }
    const tools::GatewaySimulator& Simulator() const { return simulator_; }
    long Resent() const { return resent_; }

    void Arm(const std::wstring& account, const Plan& plan, std::function<void()> kill) {
        std::lock_guard lock(mutex_);
        armed_[account] = {plan, std::move(kill)};
    }
    void Disarm(const std::wstring& account) {
        std::lock_guard lock(mutex_);
        armed_.erase(account);
        for (tools::GatewayServer& server : servers_)
            server.ForgetRequests();
    }

private:
    struct Armed {
        Plan plan;
        std::function<void()> kill;
    };

    static tools::SimulatorOptions Settings() {
        tools::SimulatorOptions settings;
        settings.catalogue = SimulatorFile(L"catalogue.xml");
        settings.password = Password;
        settings.balance = 1'000'000'000'0000ll;
        return settings;
    }

    static std::wstring AccountOf(const std::string& body) {
        const std::string key = "account=\"";
        const size_t start = body.find(key);
        if (start == std::string::npos)
            return L"";
        return Utf8ToWide(body.substr(start + key.size(),
                                      body.find('"', start + key.size()) - start - key.size()));
    }

    // One request at a time, so that a strike meets only the request it is armed for.
    tools::ScriptedAnswer Serve(const tools::ReceivedRequest& request) {
        std::lock_guard lock(mutex_);
        const auto armed = armed_.find(AccountOf(request.body));
        const Plan* plan = armed != armed_.end() && !armed->second.plan.step.empty()
                               ? &armed->second.plan
                               : nullptr;
        if (plan && plan->code != 0)
            simulator_.AnswerNext(plan->step, plan->code, plan->taken);
        else if (plan)
            simulator_.StrikeNext(plan->step, plan->fault,
                                  plan->kill == Kill::None ? TimeoutMs + 1500 : HoldMs);
        const tools::SimulatedAnswer answer = simulator_.Answer(request);
        simulator_.StrikeNext(L"", LinkFault::None);
        if (answer.operation == Steps[1] && answer.outcome == "215")
            ++resent_;
        if (plan && answer.operation == plan->step) {
            if (plan->kill != Kill::None)
                armed->second.kill();
            armed_.erase(armed);
        }
        return answer.answer;
    }

    tools::GatewaySimulator simulator_;
    tools::GatewayServer servers_[Addresses];
    std::mutex mutex_;
    std::map<std::wstring, Armed> armed_;
    std::atomic<long> resent_ = 0;
};

// What the host was told of one attempt; nothing when it was killed first.
struct Told {
    bool answered = false;
    bool sold = false;
    std::int32_t code = 0;
    std::wstring text;
    std::wstring paymentID;
    std::wstring transactionID;
};

// The host's side: the driver in this program's process, told by lines on its
// input what to do, answering each with one line.
std::string Answer(const HostCall& call) {
    if (call.ok)
        return "sold " + Narrow(call.Element(1)) + " " + Narrow(call.Element(0));
    std::string text = WideToUtf8(call.Text());
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return "failed " + std::to_string(call.Code()) + " " + text;
}

int RunHost(const Options& options) {
    DriverHost host(options.Extra(L"--folder", L"C:\\users\\Public\\payments"),
                    L"DESK" + options.Extra(L"--id", L"0"));
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const std::wstring argument = Utf8ToWide(line.substr(line.find(' ') + 1));
        HostCall call;
        if (line.starts_with("url ")) {
            host.Call(L"Disable");
            host.Configure(GatewaySettings(argument, Password, TimeoutMs, false));
            call = host.Call(L"Enable");
        } else {
            call = host.Call(
                L"AuthorizeService",
                InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}), MakeVariant(100.0),
                             MakeVariant(100.0), AccountTable(argument))));
        }
        std::printf("%s\n", Answer(call).c_str());
        std::fflush(stdout);
    }
    return 0;
}

// A cash desk: a host process, started anew whenever it was killed.
class Desk {
public:
    Desk(std::wstring program, const Options& options, int index)
        : command_(L"\"" + program + L"\" --host --id " + std::to_wstring(index) + L" " +
                   OptionsText(options)) {
        Start();
    }

    Told Sell(const std::wstring& url, const std::wstring& account, DWORD killAfterMs) {
        if (url != url_) {
            const Told enabled = Exchange("url " + WideToUtf8(url), 0);
            url_ = enabled.answered && enabled.code == 0 ? url : L"";
            if (!enabled.answered || enabled.code != 0)
                return enabled;
        }
        return Exchange("sell " + WideToUtf8(account), killAfterMs);
    }
    // From the gateway's thread, while this desk waits for its host.
    void Kill() { host_->Kill(); }
    long Restarts() const { return restarts_; }

private:
    void Start() {
        host_ = std::make_unique<ChildProcess>(command_);
        std::string line;
        if (!host_->ReadLine(line) || line != "ready")
            throw Exception(L"a desk's host did not start: " + Utf8ToWide(line));
        url_.clear();
    }

    Told Exchange(const std::string& command, DWORD killAfterMs) {
        host_->WriteLine(command);
        if (killAfterMs > 0 && host_->Running(killAfterMs))
            host_->Kill();
        Told told;
        std::string line;
        told.answered = host_->ReadLine(line) && !line.empty();
        if (!host_->Running(0)) {
            ++restarts_;
            Start();
        }
        if (!told.answered)
            return told;
        told.sold = line.starts_with("sold ");
        const std::wstring rest = Utf8ToWide(line.substr(line.find(' ') + 1));
        const size_t space = rest.find(L' ');
        if (told.sold) {
            told.paymentID = rest.substr(0, space);
            told.transactionID = space == std::wstring::npos ? L"" : rest.substr(space + 1);
        } else {
            told.code = std::stoi(rest.substr(0, space));
            told.text = space == std::wstring::npos ? L"" : rest.substr(space + 1);
        }
        return told;
    }

    std::wstring command_;
    std::unique_ptr<ChildProcess> host_;
    std::wstring url_;
    long restarts_ = 0;
};

// What a text made from one of the driver's formats holds whatever it names:
// the words after the payment's name.
bool MadeFrom(const wchar_t* format, const std::wstring& text) {
    const std::wstring words = format;
    const size_t start = words.find(L"%ls") + 3;
    return text.find(words.substr(start, words.find(L'%', start) - start)) != std::wstring::npos;
}

// The number a held payment's text names.
std::optional<std::int32_t> HeldNumber(const std::wstring& text) {
    const size_t sign = text.find(L"№ ");
    if (!MadeFrom(GatewayTexts::PendingHeld, text) || sign == std::wstring::npos)
        return std::nullopt;
    return std::int32_t(std::wcstol(text.c_str() + sign + 2, nullptr, 10));
}

// A retry that must wait: its record was made at the other address, or another
// desk is asking about it this moment.
bool Waits(const std::wstring& text) {
    return MadeFrom(GatewayTexts::PendingElsewhere, text) ||
           MadeFrom(GatewayTexts::PendingInFlight, text);
}

// What the host was finally told of one sale.
struct Sale {
    bool sold = false;
    std::wstring paymentID;
    std::wstring transactionID;
    // Each attempt's plan and what the host was told, for a sale that fails the run.
    std::string history;
    long caseNumber = 0;
};

class Campaign {
public:
    // The simulator numbers from 1: what earlier runs left of the terminal's
    // payments would only skip numbers.
    explicit Campaign(const Options& options) : options_(options) {
        ForgetTerminalPayments(L"77");
        for (int k = 0; k < Desks; ++k)
            desks_.push_back(std::make_unique<Desk>(
                k == 0 ? ThisModulePath() : options.Extra(L"--second-host", ThisModulePath()),
                options, k));
    }

    void Run() {
        std::atomic<long> next = 0;
        std::vector<std::thread> threads;
        for (int k = 0; k < Desks; ++k)
            threads.emplace_back([&, k] {
                for (long n = next++; budget_.Allows(n); n = next++) {
                    RunSale(*desks_[k], options_.first + n);
                    done_ = std::max<long>(done_, n + 1);
                }
            });
        for (std::thread& thread : threads)
            thread.join();
        for (int k = 0; k < Desks; ++k)
            for (int address = 0; address < Addresses; ++address)
                CloseDesk(k, address);
    }

    // True when the whole run held: the figures printed decide it.
    bool Report() {
        std::map<std::wstring, long> held;
        std::map<std::wstring, std::int32_t> heldAs;
        long skips = 0, previous = 0;
        for (const tools::HeldPayment& payment : gateway_.Simulator().Ledger()) {
            ++held[payment.account];
            heldAs[payment.account] = payment.id;
        }
        for (const tools::HeldPayment& payment : Sorted(gateway_.Simulator().Ledger())) {
            skips += payment.id != previous + 1;
            previous = payment.id;
        }
        long sold = 0, heldOnce = 0, heldTwice = 0, soldUnheld = 0, untold = 0, toldHeld = 0;
        for (const auto& [account, sale] : sales_) {
            const long count = held.contains(account) ? held.at(account) : 0;
            const bool told = count > 0 && toldIDs_.contains(heldAs.at(account));
            sold += sale.sold;
            heldOnce += sale.sold && count == 1;
            soldUnheld += sale.sold && count == 0;
            toldHeld += !sale.sold && told;
            untold += !sale.sold && count > 0 && !told;
            if (count > 1 || (!sale.sold && count > 0 && !told))
                failures_.Report(options_, sale.caseNumber,
                                 std::string(count > 1 ? "held twice" : "held, never told") +
                                     ", last as " + std::to_string(heldAs.at(account)) + ": " +
                                     sale.history);
            heldTwice += count > 1;
        }
        Figure("sales", done_);
        outcomes_.Print("");
        Figure("identical retries", retries_);
        Figure("host processes killed and started anew", Restarts());
        Figure("sales sold", sold);
        Figure("sales sold and held once", heldOnce);
        Figure("sales held twice", heldTwice);
        Figure("sales sold that the gateway does not hold", soldUnheld);
        Figure("held sales the host was told of as held", toldHeld);
        Figure("held sales the hosts were never told of", untold);
        Figure("registrations the gateway held already (215)", gateway_.Resent());
        Figure("numbers skipped (allowed)", skips);
        Figure("failures", failures_.Count());
        return failures_.Count() == 0 && heldTwice == 0 && soldUnheld == 0 && untold == 0 &&
               done_ == options_.count;
    }

private:
    static std::vector<tools::HeldPayment> Sorted(std::vector<tools::HeldPayment> ledger) {
        std::sort(ledger.begin(), ledger.end(),
                  [](const auto& a, const auto& b) { return a.id < b.id; });
        return ledger;
    }

    long Restarts() const {
        long restarts = 0;
        for (const auto& desk : desks_)
            restarts += desk->Restarts();
        return restarts;
    }

    // One customer's sale: tried until it is sold, the shop learned it is held,
    // or the cashier gives up.
    void RunSale(Desk& desk, long caseNumber) {
        Random random(options_.seed, static_cast<std::uint64_t>(caseNumber));
        const std::wstring account = FormatText(L"90%08ld", caseNumber);
        for (int attempt = 0; attempt < MostAttempts; ++attempt) {
            if (attempt > 0 && !random.Chance(70))
                return;
            const int address = random.Chance(15) ? 1 : 0;
            const Plan plan = DrawPlan(random);
            gateway_.Arm(account, plan, [&desk] { desk.Kill(); });
            const Told told = desk.Sell(gateway_.Url(address), account, plan.killAfterMs);
            gateway_.Disarm(account);
            if (Settle(caseNumber, account, plan, attempt, told))
                return;
        }
    }

    // A desk at the end of the run sells a new sale at `address`: each try may
    // learn of one held payment, and nothing else may stop it.
    void CloseDesk(int desk, int address) {
        const long caseNumber = options_.first + options_.count + Desks * address + desk;
        const std::wstring account = FormatText(L"99%08ld", caseNumber);
        for (int attempt = 0; attempt < ClosingTries; ++attempt) {
            const Told told = desks_[desk]->Sell(gateway_.Url(address), account, 0);
            if (Settle(caseNumber, account, ClosingSale(), attempt, told))
                return;
            if (!told.answered || !HeldNumber(told.text)) {
                failures_.Report(options_, caseNumber,
                                 "a desk left unable to sell: " + Narrow(told.text));
                return;
            }
        }
        failures_.Report(options_, caseNumber, "a desk left unable to sell");
    }

    // True when the sale is over: sold.
    bool Settle(long caseNumber, const std::wstring& account, const Plan& plan, int attempt,
                const Told& told) {
        std::lock_guard lock(mutex_);
        retries_ += attempt > 0;
        outcomes_.Add(plan.name + " -> " +
                      (!told.answered ? std::string("killed")
                       : told.sold    ? std::string("sold")
                                      : std::to_string(told.code)));
        Sale& sale = sales_[account];
        sale.caseNumber = caseNumber;
        sale.history += "; " + plan.name + " -> " +
                        (!told.answered ? std::string("killed")
                         : told.sold    ? "sold " + Narrow(told.paymentID)
                                        : std::to_string(told.code) + " " + Narrow(told.text));
        if (told.sold) {
            sale.sold = true;
            sale.paymentID = told.paymentID;
            sale.transactionID = told.transactionID;
            CheckSold(caseNumber, account, sale);
            return true;
        }
        if (!told.answered)
            return false;
        if (const std::optional<std::int32_t> number = HeldNumber(told.text))
            toldIDs_.insert(*number);
        else if (told.code <= 0 || told.text.empty())
            failures_.Report(options_, caseNumber, "a failed sale without its code and text");
        else if (plan.step.empty() && plan.kill == Kill::None && !Waits(told.text))
            failures_.Report(options_, caseNumber,
                             "a sale without a fault failed: " + std::to_string(told.code) + " " +
                                 Narrow(told.text));
        return false;
    }

    // The payment the host was given must be the one the gateway holds for it.
    void CheckSold(long caseNumber, const std::wstring& account, const Sale& sale) {
        for (const tools::HeldPayment& payment : gateway_.Simulator().Ledger())
            if (payment.account == account &&
                (std::to_wstring(payment.id) != sale.paymentID ||
                 (!sale.transactionID.empty() && payment.uid != sale.transactionID)))
                failures_.Report(options_, caseNumber,
                                 "sold as " + Narrow(sale.paymentID) + " " +
                                     Narrow(sale.transactionID) + " but held as " +
                                     std::to_string(payment.id) + " " + Narrow(payment.uid));
    }

    Options options_;
    const Budget budget_{options_};
    Gateway gateway_;
    std::vector<std::unique_ptr<Desk>> desks_;
    std::mutex mutex_;
    Tally outcomes_;
    Failures failures_;
    std::map<std::wstring, Sale> sales_;
    std::set<std::int32_t> toldIDs_;
    std::atomic<long> done_ = 0;
    long retries_ = 0;
};

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(1000);
    if (options.Has(L"--host"))
        return RunGuarded([&] { return RunHost(options); });
    std::printf("payment-faults %s\n", Narrow(OptionsText(options)).c_str());
    std::fflush(stdout);
    return RunGuarded([&] {
        Campaign campaign(options);
        campaign.Run();
        return campaign.Report() ? 0 : 1;
    });
}
