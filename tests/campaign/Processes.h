#pragma once
// Other programs a campaign starts: the gateway simulator with its switches, and
// runs of the campaign program itself in processes of their own, whose crash
// is then a figure rather than the end of the campaign.

#include "common/Owners.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace svcgate::campaign {

// A program with its standard input and output as pipes.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine);
    // Closes the input, which ends the simulator, and waits for the end.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // One line of the output without its line end; false at its end.
    bool ReadLine(std::string& line);
    void CloseInput() { input_.reset(); }
    // One line to its input; false once it cannot take it.
    bool WriteLine(const std::string& line);
    // Whether it still runs after waiting up to `waitMs` for its end.
    bool Running(DWORD waitMs) const {
        return WaitForSingleObject(process_.get(), waitMs) == WAIT_TIMEOUT;
    }
    // Ends it where it is, as a power cut or the task manager would.
    void Kill();
    // The exit code, once the process has ended.
    DWORD Wait();

private:
    // More of the output into `pending_`; false once the process has ended and
    // all it wrote is read.
    bool ReadMore();

    unique_handle process_;
    unique_handle input_;
    unique_handle output_;
    std::string pending_;
};

// A file the build puts beside the gateway simulator (its program, its sample
// catalogue).
std::wstring SimulatorFile(const std::wstring& name);
// This program's own path, quoted for a command line.
std::wstring ThisProgramQuoted();

// A loopback port nobody listened on a moment ago.
unsigned short FreePort();

// gateway-sim.exe on a free port with the dealer "dealer", terminal 77, the
// password given and the switches given; it quits with this object.
class SimulatorProcess {
public:
    SimulatorProcess(const std::wstring& password, const std::vector<std::wstring>& switches);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;
    const std::wstring& Url() const { return url_; }
    // The lines the simulator logged: one per request.
    long Requests() const { return requests_; }

private:
    unsigned short port_;
    ChildProcess process_;
    std::wstring url_;
    // Reads the simulator's log as it comes, so that its pipe never fills.
    std::atomic<long> requests_ = 0;
    std::thread drain_;
};

} // namespace svcgate::campaign
