#pragma once
// What every campaign program shares: seeded cases that a seed and a case
// number reproduce, a budget of cases and seconds, the process's own figures,
// and the lines that report them.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace svcgate::campaign {

// The same seed and case number give the same case on every run of this build:
// the engine is fully specified, and ranges are cut from its raw output rather
// than by the library's distributions, which differ between libraries.
class Random {
public:
    Random(std::uint64_t seed, std::uint64_t caseNumber);
    // 0 to n - 1; n must not be 0.
    std::uint32_t Below(std::uint32_t n);
    bool Chance(unsigned percent) { return Below(100) < percent; }
    std::int64_t Between(std::int64_t low, std::int64_t high);
    template <class T> const T& Pick(const std::vector<T>& items) {
        return items[Below(static_cast<std::uint32_t>(items.size()))];
    }
    std::string Bytes(size_t count);
    std::uint64_t Raw() { return engine_(); }

private:
    std::mt19937_64 engine_;
};

// The switches every program takes: --seed, --first (the first case number),
// --count and --seconds; anything else as --name value, for the program.
struct Options {
    std::uint64_t seed = 1;
    long first = 0;
    long count = 100;
    DWORD seconds = 600;
    std::map<std::wstring, std::wstring> extra;
    std::wstring Extra(const std::wstring& name, const std::wstring& fallback = L"") const;
    long ExtraNumber(const std::wstring& name, long fallback) const;
    bool Has(const std::wstring& name) const { return extra.contains(name); }
};
Options ParseOptions(long defaultCount);
// The same switches again, for a child run of this program.
std::wstring OptionsText(const Options& options);

// Cases run while both the count and the time allow.
class Budget {
public:
    explicit Budget(const Options& options);
    bool Allows(long done) const;

private:
    long count_;
    DWORD start_;
    DWORD seconds_;
};

// What the process holds: committed private memory and open handles.
struct ProcessFigures {
    SIZE_T committed = 0;
    DWORD handles = 0;
};
ProcessFigures MeasureProcess();

// One line of the report: "name: value".
void Figure(const std::string& name, const std::string& value);
void Figure(const std::string& name, long long value);

// A check of what the campaign itself saw (its counts, its growth): false, with
// a line that says what failed, when it does not hold.
bool Check(bool holds, const std::string& what);

// What the cases after warm-up may leave behind before it counts as a leak: so
// much per case, beyond a slack for the steps in which the heap and the
// platform's own pools grow (Wine's heap grew by about 1 MB at once in short
// runs). A leak of a request's document, a client or a handle in every case, or
// in one case of a hundred, breaks it over a full run.
struct GrowthBound {
    long long bytesPerCase;
    long long slackBytes;
    long casesPerHandle;
    long slackHandles;
};
// Growth between two measures, as "N KB (M bytes per case)", checked against the
// bound; `expectedBytes` is what the platform alone is known to keep over them.
bool GrowthFigures(const std::string& what, const ProcessFigures& before,
                   const ProcessFigures& after, long cases, const GrowthBound& bound,
                   long long expectedBytes = 0);

// --leak-bytes N and --leak-handles N: what each case keeps on purpose, so that a
// run shows its bound breaking.
void LeakOnPurpose(const Options& options);

// Counts of outcomes by name, printed in order of name.
class Tally {
public:
    void Add(const std::string& outcome, long count = 1) { counts_[outcome] += count; }
    long Of(const std::string& outcome) const;
    long Total() const;
    void Print(const std::string& prefix) const;
    const std::map<std::string, long>& Counts() const { return counts_; }

private:
    std::map<std::string, long> counts_;
};

// A failure of a check: printed at once with the case that reproduces it, and counted.
class Failures {
public:
    void Report(const Options& options, long caseNumber, const std::string& what);
    long Count() const { return count_; }

private:
    long count_ = 0;
};

// Whatever ends the process unexpectedly is reported with the case number it
// was running, so that the case can be run again alone.
void ReportCrashesOf(const long* currentCase, const Options& options);

std::string Narrow(const std::wstring& text);

// The gateway's result codes that the client knows a text for, 0 and -1 aside.
std::vector<std::int32_t> GatewayCodes();

// Every file under a folder and its subfolders; a folder that cannot be read is
// passed over.
std::vector<std::filesystem::path> FilesUnder(const std::wstring& folder);

// A campaign program's body: an Exception is an error of the campaign itself,
// exit code 2, told apart from failures the campaign found (1).
int RunGuarded(const std::function<int()>& body);

} // namespace svcgate::campaign
