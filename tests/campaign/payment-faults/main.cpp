// payment-faults: sales through the registered driver against the simulator in
// this process, with the check or the offline registration meeting a fault of
// the link: the request lost before the gateway saw it, or the gateway's answer
// dropped, cut halfway or too late after it took the request. About half of the
// failed sales are tried again as a cashier would, with the same requisites.
// Every sale the host saw succeed must be held by the gateway exactly once, no
// sale twice, and the numbers the gateway holds must follow one another.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"

#include "campaign/Processes.h"
#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "gateway-sim/GatewaySimulator.h"

#include <atomic>
#include <cstdio>
#include <map>

using namespace svcgate;
using namespace svcgate::campaign;
using tools::LinkFault;

namespace {

constexpr const wchar_t* Password = CampaignPassword;
constexpr std::int32_t TimeoutMs = 1000;
const std::vector<LinkFault> Faults{LinkFault::LostRequest, LinkFault::Dropped, LinkFault::Cut,
                                    LinkFault::Late};

const char* NameOf(LinkFault fault) {
    switch (fault) {
    case LinkFault::LostRequest:
        return "lost before the gateway saw it";
    case LinkFault::Dropped:
        return "dropped after the gateway took it";
    case LinkFault::Cut:
        return "answer cut halfway";
    case LinkFault::Late:
        return "no answer in time (1007)";
    default:
        return "none";
    }
}

// The simulator behind the loopback server; it counts the registrations it
// refused because it held their number already.
class Gateway {
public:
    Gateway() : simulator_(Settings()) {
        server_.SetResponder([this](const tools::ReceivedRequest& request) {
            tools::SimulatedAnswer answer = simulator_.Answer(request);
            if (answer.operation == L"addOfflinePayment" && answer.outcome == "215")
                ++resent_;
            return answer.answer;
        });
    }
    std::wstring Url() const { return server_.Url(); }
    tools::GatewaySimulator& Simulator() { return simulator_; }
    const tools::GatewaySimulator& Simulator() const { return simulator_; }
    long Resent() const { return resent_; }
    void Forget() { server_.ForgetRequests(); }

private:
    static tools::SimulatorOptions Settings() {
        tools::SimulatorOptions settings;
        settings.catalogue = SimulatorFile(L"catalogue.xml");
        settings.password = Password;
        settings.balance = 1'000'000'000'0000ll;
        return settings;
    }

    tools::GatewaySimulator simulator_;
    tools::GatewayServer server_;
    std::atomic<long> resent_ = 0;
};

// What the host was finally told of one sale.
struct Sale {
    bool sold = false;
    std::wstring paymentID;
    std::wstring transactionID;
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

    // One customer's sale: tried until it succeeds or the cashier gives up.
    void RunSale(long caseNumber) {
        Random random(options_.seed, static_cast<std::uint64_t>(caseNumber));
        const std::wstring account = FormatText(L"90%08ld", caseNumber);
        Sale& sale = sales_[account];
        for (bool first = true;; first = false) {
            if (!first)
                ++retries_;
            if (Attempt(caseNumber, random, account, sale) || !random.Chance(50))
                break;
        }
    }

    // True when the whole run held: the figures printed decide it.
    bool Report(long done) const {
        std::map<std::wstring, long> held;
        long skips = 0, previous = 0;
        for (const tools::HeldPayment& payment : gateway_.Simulator().Ledger()) {
            ++held[payment.account];
            skips += payment.id != previous + 1;
            previous = payment.id;
        }
        long sold = 0, heldOnce = 0, heldTwice = 0, soldUnheld = 0, failedHeld = 0;
        for (const auto& [account, sale] : sales_) {
            const long count = held.contains(account) ? held.at(account) : 0;
            sold += sale.sold;
            heldOnce += sale.sold && count == 1;
            soldUnheld += sale.sold && count == 0;
            failedHeld += !sale.sold && count > 0;
            heldTwice += count > 1;
        }
        Figure("sales", done);
        outcomes_.Print("");
        Figure("identical retries", retries_);
        Figure("sales sold", sold);
        Figure("sales sold and held once", heldOnce);
        Figure("sales held twice", heldTwice);
        Figure("sales sold that the gateway does not hold", soldUnheld);
        Figure("sales the cashier gave up that the gateway holds", failedHeld);
        Figure("registrations the gateway held already (215)", gateway_.Resent());
        Figure("numbers skipped", skips);
        Figure("failures", failures_.Count());
        return failures_.Count() == 0 && heldTwice == 0 && soldUnheld == 0 && skips == 0 &&
               done == options_.count;
    }

private:
    bool Attempt(long caseNumber, Random& random, const std::wstring& account, Sale& sale) {
        const LinkFault fault = random.Chance(50) ? LinkFault::None : random.Pick(Faults);
        const std::wstring step =
            random.Chance(50) ? L"checkPaymentRequisites" : L"addOfflinePayment";
        gateway_.Simulator().StrikeNext(step, fault, TimeoutMs + 1500);
        const HostCall call = host_.Call(
            L"AuthorizeService",
            InArray(Args(MakeVariant(L"1001"), MakeVariant(std::int32_t{0}), MakeVariant(100.0),
                         MakeVariant(100.0), AccountTable(account))));
        gateway_.Simulator().StrikeNext(L"", LinkFault::None);
        gateway_.Forget();
        outcomes_.Add((fault == LinkFault::None ? std::string("no fault")
                                                : Narrow(step) + ", " + NameOf(fault)) +
                      " -> " + (call.ok ? "sold" : std::to_string(call.Code())));
        if (call.ok)
            sale = {true, call.Element(1), call.Element(0)};
        else if (call.Code() <= 0 || call.Text().empty())
            failures_.Report(options_, caseNumber, "a failed sale without its code and text");
        else if (fault == LinkFault::None)
            failures_.Report(options_, caseNumber,
                             "a sale without a fault failed: " + std::to_string(call.Code()) + " " +
                                 Narrow(call.Text()));
        if (call.ok)
            CheckSold(caseNumber, account, sale);
        return call.ok;
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
    Gateway gateway_;
    DriverHost host_;
    Tally outcomes_;
    Failures failures_;
    std::map<std::wstring, Sale> sales_;
    long retries_ = 0;
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
        return campaign.Report(done) ? 0 : 1;
    });
}
