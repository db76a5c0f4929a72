#include "campaign/Processes.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Text.h"

#include <algorithm>

#include "gateway-sim/server/GatewayServer.h"

namespace svcgate::campaign {

namespace {

// A pipe whose one end the child inherits.
void MakePipe(unique_handle& ours, unique_handle& theirs, bool theyRead) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CheckWin32(CreatePipe(&read, &write, &inherit, 0));
    unique_handle readEnd(read), writeEnd(write);
    ours = std::move(theyRead ? writeEnd : readEnd);
    theirs = std::move(theyRead ? readEnd : writeEnd);
    CheckWin32(SetHandleInformation(ours.get(), HANDLE_FLAG_INHERIT, 0));
}

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

} // namespace

ChildProcess::ChildProcess(const std::wstring& commandLine) {
    unique_handle childInput, childOutput;
    MakePipe(input_, childInput, true);
    MakePipe(output_, childOutput, false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput.get();
    startup.hStdOutput = childOutput.get();
    startup.hStdError = childOutput.get();
    PROCESS_INFORMATION created{};
    std::wstring line = commandLine;
    CheckWin32(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              &startup, &created));
    process_.reset(created.hProcess);
    const unique_handle thread(created.hThread);
}

ChildProcess::~ChildProcess() {
    CloseInput();
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.get(), 1);
}

bool ChildProcess::ReadLine(std::string& line) {
    for (;;) {
        if (const size_t end = pending_.find('\n'); end != std::string::npos) {
            line = pending_.substr(0, end);
            if (line.ends_with('\r'))
                line.pop_back();
            pending_.erase(0, end + 1);
            return true;
        }
        if (!ReadMore()) {
            line = std::exchange(pending_, std::string());
            return !line.empty();
        }
    }
}

// The end of the output is the end of the process, not of the pipe: a service
// of the platform that the child started on demand inherits the pipe's other
// end and may hold it long after the child ended.
bool ChildProcess::ReadMore() {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr))
            return false;
        if (available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(output_.get(), buffer, std::min<DWORD>(sizeof buffer, available), &read,
                          nullptr) ||
                read == 0)
                return false;
            pending_.append(buffer, read);
            return true;
        }
        if (WaitForSingleObject(process_.get(), 20) == WAIT_OBJECT_0 &&
            (!PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr) ||
             available == 0))
            return false;
    }
}

bool ChildProcess::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    return WriteFile(input_.get(), text.data(), DWORD(text.size()), &written, nullptr) &&
           written == text.size();
}

void ChildProcess::Kill() {
    TerminateProcess(process_.get(), 9);
    Wait();
}

DWORD ChildProcess::Wait() {
    WaitForSingleObject(process_.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

// The build tree mirrors the sources: a campaign program is built in
// tests\campaign\PROGRAM, the simulator in tools\gateway-sim.
std::wstring SimulatorFile(const std::wstring& name) {
    return FolderOf(ThisModulePath()) + L"..\\..\\..\\tools\\gateway-sim\\" + name;
}

std::wstring ThisProgramQuoted() {
    return L"\"" + ThisModulePath() + L"\"";
}

// The test server takes a free port from the system and gives it back when it stops.
unsigned short FreePort() {
    return tools::GatewayServer().Port();
}

namespace {

std::wstring SimulatorCommand(unsigned short port, const std::wstring& password,
                              const std::vector<std::wstring>& switches) {
    std::wstring line = L"\"" + SimulatorFile(L"gateway-sim.exe") + L"\" --port " +
                        std::to_wstring(port) + L" --password \"" + password + L"\"";
    for (const std::wstring& option : switches)
        line += L" " + option;
    return line;
}

} // namespace

SimulatorProcess::SimulatorProcess(const std::wstring& password,
                                   const std::vector<std::wstring>& switches)
    : port_(FreePort()), process_(SimulatorCommand(port_, password, switches)) {
    std::string line;
    while (process_.ReadLine(line))
        if (line.starts_with("http://")) {
            url_ = Utf8ToWide(line);
            drain_ = std::thread([this] {
                std::string request;
                while (process_.ReadLine(request))
                    ++requests_;
            });
            return;
        }
    throw Exception(L"the gateway simulator did not start");
}

} // namespace svcgate::campaign

namespace svcgate::campaign {

SimulatorProcess::~SimulatorProcess() {
    process_.CloseInput();
    if (drain_.joinable())
        drain_.join();
}

} // namespace svcgate::campaign
