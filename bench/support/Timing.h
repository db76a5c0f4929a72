#pragma once
// The timing harness of the benchmark programs. Every figure is measured beside
// a baseline in the same round and reported as a ratio to it, so that what the
// platform and a busy machine add to both cancels out.

#include "clients/BareHttpClient.h"

#include <functional>
#include <string>
#include <vector>

namespace svcgate::bench {

struct Case {
    std::string name;
    std::function<void()> call;
};

// Medians over the rounds.
struct Figure {
    std::string name;
    double callsPerSecond = 0;
    // This case's time over the baseline's time in the same round.
    double costRatio = 0;
};

// Times `calls` calls of the baseline and then of each case, `rounds` times
// over, after one shorter untimed pass of each. The baseline's figure comes first.
std::vector<Figure> Compare(const Case& baseline, const std::vector<Case>& cases, long calls,
                            int rounds);

void PrintTable(const std::string& title, const std::vector<Figure>& figures);

// A figure is only worth printing for the answer it claims to measure: raises
// when `holds` is false.
void Expect(bool holds, const wchar_t* what);

// The least the platform does for gateway exchanges (clients/BareHttpClient.h),
// each POST with the gateway client's two plain headers.
class BareClient {
public:
    explicit BareClient(const std::wstring& url) : client_(url) {}
    // Raises when the exchange fails.
    void Post(const std::string& body);

private:
    test::BareHttpClient client_;
};

// Runs a benchmark in a single-threaded apartment, as the host calls the driver;
// a failure is printed and gives the exit code 1.
int RunInApartment(const std::function<void()>& run);

} // namespace svcgate::bench
