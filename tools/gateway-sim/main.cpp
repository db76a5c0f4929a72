// gateway-sim: plays the SvcGate gateway on 127.0.0.1 for an integrator and for
// the end-to-end tests. It serves through the loopback socket server of the
// gateway tests rather than the platform's HTTP Server API, which hands neither
// the raw bytes of a request nor the order of its headers.

#include "gateway-sim/GatewaySimulator.h"

#include "common/Exception.h"
#include "common/Text.h"

#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

using namespace svcgate;
using namespace svcgate::tools;

namespace {

std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    const unique_hlocal owner(reinterpret_cast<HLOCAL>(list));
    return list ? std::vector<std::wstring>(list + 1, list + count) : std::vector<std::wstring>();
}

std::string TimeOfDay() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    return text;
}

// Connections are served on threads of their own: one line at a time. The
// connection's number comes last, after the fields scripts read by position.
void Log(const SimulatedAnswer& answer, int connection) {
    static std::mutex mutex;
    const std::string operation = answer.operation.empty() ? "-" : WideToUtf8(answer.operation);
    std::lock_guard lock(mutex);
    std::printf("%s %s %s #%d\n", TimeOfDay().c_str(), operation.c_str(), answer.outcome.c_str(),
                connection);
    std::fflush(stdout);
}

void WaitForQuit() {
    std::string line;
    while (std::getline(std::cin, line))
        if (Trim(Utf8ToWide(line)) == L"quit")
            return;
}

int Run(const SimulatorOptions& options) {
    GatewaySimulator simulator(options);
    GatewayServer server(options.port);
    server.CloseIdleAfter(options.idleCloseMs);
    server.SetResponder([&simulator](const ReceivedRequest& request) {
        SimulatedAnswer answer = simulator.Answer(request);
        Log(answer, request.connection);
        return answer.answer;
    });
    std::printf("%s\n", WideToUtf8(server.Url()).c_str());
    std::fflush(stdout);
    WaitForQuit();
    return 0;
}

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    const CommandLine line = ParseCommandLine(Arguments());
    if (line.help || !line.error.empty()) {
        if (!line.error.empty())
            std::fprintf(stderr, "%s\n", WideToUtf8(line.error).c_str());
        std::fputs(Usage, line.help ? stdout : stderr);
        return line.error.empty() ? 0 : 2;
    }
    try {
        return Run(line.options);
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", WideToUtf8(error.Message()).c_str());
        return 1;
    }
}
