#include "Timing.h"

#include "common/Exception.h"
#include "common/Text.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>

namespace svcgate::bench {

namespace {

double SecondsFor(const Case& timed, long calls) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (long k = 0; k < calls; ++k)
        timed.call();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Samples {
    std::vector<double> callsPerSecond;
    std::vector<double> costRatio;
};

Figure MedianFigure(const std::string& name, const Samples& samples) {
    return {name, Median(samples.callsPerSecond), Median(samples.costRatio)};
}

} // namespace

std::vector<Figure> Compare(const Case& baseline, const std::vector<Case>& cases, long calls,
                            int rounds) {
    std::vector<const Case*> all{&baseline};
    for (const Case& timed : cases)
        all.push_back(&timed);
    for (const Case* timed : all)
        SecondsFor(*timed, calls / 10 + 1);
    std::vector<Samples> samples(all.size());
    for (int round = 0; round < rounds; ++round) {
        double baselineSeconds = 0;
        for (size_t k = 0; k < all.size(); ++k) {
            const double seconds = SecondsFor(*all[k], calls);
            if (k == 0)
                baselineSeconds = seconds;
            samples[k].callsPerSecond.push_back(calls / seconds);
            samples[k].costRatio.push_back(seconds / baselineSeconds);
        }
    }
    std::vector<Figure> figures;
    for (size_t k = 0; k < all.size(); ++k)
        figures.push_back(MedianFigure(all[k]->name, samples[k]));
    return figures;
}

void PrintTable(const std::string& title, const std::vector<Figure>& figures) {
    std::printf("%s\n\n%-42s %12s %12s %14s\n", title.c_str(), "call", "calls/s", "ms/call",
                "time/baseline");
    for (const Figure& figure : figures)
        std::printf("%-42s %12.0f %12.3f %14.2f\n", figure.name.c_str(), figure.callsPerSecond,
                    1000.0 / figure.callsPerSecond, figure.costRatio);
    std::fflush(stdout);
}

void BareClient::Post(const std::string& body) {
    Expect(client_.Post(body, L"Accept-encoding: identity\r\nUser-Agent: Dezuri r0\r\n").error == 0,
           L"a bare POST");
}

void Expect(bool holds, const wchar_t* what) {
    if (!holds)
        throw Exception(std::wstring(L"the benchmark's call did not answer as expected: ") + what);
}

int RunInApartment(const std::function<void()>& run) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    try {
        run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", WideToUtf8(MessageOf(error)).c_str());
        status = 1;
    }
    CoUninitialize();
    return status;
}

} // namespace svcgate::bench
