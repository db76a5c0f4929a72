#include "campaign/Campaign.h"

#include "common/Exception.h"
#include "common/Owners.h"
#include "common/Text.h"

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

namespace svcgate::campaign {

Random::Random(std::uint64_t seed, std::uint64_t caseNumber)
    : engine_(seed * 0x9E3779B97F4A7C15ull + caseNumber) {}

std::uint32_t Random::Below(std::uint32_t n) {
    return static_cast<std::uint32_t>(engine_() % n);
}

std::int64_t Random::Between(std::int64_t low, std::int64_t high) {
    const std::uint64_t span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(span == 0 ? engine_() : engine_() % span);
}

std::string Random::Bytes(size_t count) {
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(engine_() & 0xFF);
    return bytes;
}

std::wstring Options::Extra(const std::wstring& name, const std::wstring& fallback) const {
    const auto found = extra.find(name);
    return found == extra.end() ? fallback : found->second;
}

long Options::ExtraNumber(const std::wstring& name, long fallback) const {
    const std::wstring text = Extra(name);
    return text.empty() ? fallback : std::wcstol(text.c_str(), nullptr, 10);
}

Options ParseOptions(long defaultCount) {
    Options options;
    options.count = defaultCount;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    const unique_hlocal owner(reinterpret_cast<HLOCAL>(list));
    for (int i = 1; i < count; ++i) {
        const std::wstring name = list[i];
        const std::wstring value = i + 1 < count && std::wcsncmp(list[i + 1], L"--", 2) != 0
                                       ? std::wstring(list[++i])
                                       : std::wstring();
        if (name == L"--seed")
            options.seed = std::wcstoull(value.c_str(), nullptr, 10);
        else if (name == L"--first")
            options.first = std::wcstol(value.c_str(), nullptr, 10);
        else if (name == L"--count")
            options.count = std::wcstol(value.c_str(), nullptr, 10);
        else if (name == L"--seconds")
            options.seconds = std::wcstoul(value.c_str(), nullptr, 10);
        else
            options.extra[name] = value;
    }
    return options;
}

std::wstring OptionsText(const Options& options) {
    std::wstring text = FormatText(L"--seed %llu --first %ld --count %ld --seconds %lu",
                                   options.seed, options.first, options.count, options.seconds);
    for (const auto& [name, value] : options.extra)
        text += L" " + name + (value.empty() ? L"" : L" " + value);
    return text;
}

Budget::Budget(const Options& options)
    : count_(options.count), start_(GetTickCount()), seconds_(options.seconds) {}

bool Budget::Allows(long done) const {
    return done < count_ && GetTickCount() - start_ < seconds_ * 1000;
}

// Wine answers GetProcessHandleCount with 0 and leaves PrivateUsage empty: the
// handles are counted by asking about every value a handle can have, and the
// committed memory is the page file usage, which is the same figure.
ProcessFigures MeasureProcess() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    ProcessFigures figures;
    figures.committed = memory.PagefileUsage;
    constexpr ULONG_PTR HighestHandle = 0x20000;
    for (ULONG_PTR value = 4; value < HighestHandle; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++figures.handles;
    }
    return figures;
}

void Figure(const std::string& name, const std::string& value) {
    std::printf("  %s: %s\n", name.c_str(), value.c_str());
    std::fflush(stdout);
}

void Figure(const std::string& name, long long value) {
    Figure(name, std::to_string(value));
}

bool Check(bool holds, const std::string& what) {
    if (!holds) {
        std::printf("FAILED: %s\n", what.c_str());
        std::fflush(stdout);
    }
    return holds;
}

bool GrowthFigures(const std::string& what, const ProcessFigures& before,
                   const ProcessFigures& after, long cases, const GrowthBound& bound,
                   long long expectedBytes) {
    const long long memory =
        static_cast<long long>(after.committed) - static_cast<long long>(before.committed);
    const long long handles = static_cast<long long>(after.handles) - before.handles;
    const long per = cases > 0 ? cases : 1;
    const std::string one = what.substr(0, what.size() - 1);
    Figure("committed memory after warm-up", std::to_string(before.committed / 1024) + " KB");
    Figure("committed memory growth over " + std::to_string(cases) + " " + what,
           std::to_string(memory / 1024) + " KB (" + std::to_string(memory / per) + " bytes per " +
               one + ")");
    Figure("handles after warm-up", static_cast<long long>(before.handles));
    Figure("handle growth over " + std::to_string(cases) + " " + what, handles);
    const long long memoryBound = expectedBytes + bound.slackBytes + bound.bytesPerCase * cases;
    const long long handleBound = bound.slackHandles + cases / bound.casesPerHandle;
    const bool memoryWithin = Check(
        memory <= memoryBound, "committed memory grew " + std::to_string(memory) +
                                   " bytes, beyond the bound of " + std::to_string(memoryBound));
    return Check(handles <= handleBound, "handles grew by " + std::to_string(handles) +
                                             ", beyond the bound of " +
                                             std::to_string(handleBound)) &&
           memoryWithin;
}

void LeakOnPurpose(const Options& options) {
    static std::vector<std::unique_ptr<char[]>> memory;
    static std::vector<unique_handle> handles;
    if (const long bytes = options.ExtraNumber(L"--leak-bytes", 0); bytes > 0) {
        memory.push_back(std::make_unique<char[]>(static_cast<size_t>(bytes)));
        std::fill_n(memory.back().get(), bytes, '\1');
    }
    for (long count = options.ExtraNumber(L"--leak-handles", 0); count > 0; --count)
        handles.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

long Tally::Of(const std::string& outcome) const {
    const auto found = counts_.find(outcome);
    return found == counts_.end() ? 0 : found->second;
}

long Tally::Total() const {
    long total = 0;
    for (const auto& [outcome, count] : counts_)
        total += count;
    return total;
}

void Tally::Print(const std::string& prefix) const {
    for (const auto& [outcome, count] : counts_)
        Figure(prefix + outcome, count);
}

void Failures::Report(const Options& options, long caseNumber, const std::string& what) {
    ++count_;
    std::printf("FAILED case %ld (--seed %llu --first %ld --count 1): %s\n", caseNumber,
                options.seed, caseNumber, what.c_str());
    std::fflush(stdout);
}

namespace {

const long* crashCase = nullptr;
std::uint64_t crashSeed = 0;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    std::printf("CRASH 0x%08lX in case %ld (--seed %llu --first %ld --count 1)\n",
                exception->ExceptionRecord->ExceptionCode, *crashCase, crashSeed, *crashCase);
    std::fflush(stdout);
    ExitProcess(3);
}

} // namespace

void ReportCrashesOf(const long* currentCase, const Options& options) {
    crashCase = currentCase;
    crashSeed = options.seed;
    SetUnhandledExceptionFilter(ReportCrash);
}

std::string Narrow(const std::wstring& text) {
    return WideToUtf8(text);
}

std::vector<std::filesystem::path> FilesUnder(const std::wstring& folder) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder,
                                                fs::directory_options::follow_directory_symlink |
                                                    fs::directory_options::skip_permission_denied,
                                                error),
         end;
         !error && entry != end; entry.increment(error)) {
        std::error_code unknown;
        if (!entry->is_directory(unknown))
            files.push_back(entry->path());
    }
    return files;
}

int RunGuarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const Exception& error) {
        std::printf("error of the campaign itself: %s\n", Narrow(error.Message()).c_str());
        return 2;
    }
}

std::vector<std::int32_t> GatewayCodes() {
    std::vector<std::int32_t> codes;
#define GATEWAY_RESULT(code, verdict, text)                                                        \
    if (code > 0)                                                                                  \
        codes.push_back(code);
#include "gateway/GatewayResults.def"
#undef GATEWAY_RESULT
    return codes;
}

} // namespace svcgate::campaign
