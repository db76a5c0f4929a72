#pragma once
// What the simulator is told on its command line.

#include "common/Variants.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace svcgate::tools {

struct SimulatorOptions {
    unsigned short port = 8181;
    // Empty: the sample beside the program.
    std::wstring catalogue;
    std::wstring login = L"dealer";
    std::wstring password = L"secret";
    std::wstring terminal = L"77";
    // 100,000 in ten-thousandths.
    Currency balance = 1000000000;
    // By operation name: the result its element answers, the wait before the
    // answer, an HTML page instead of XML, a connection closed without an answer.
    std::map<std::wstring, std::int32_t> faults;
    std::map<std::wstring, DWORD> delays;
    std::set<std::wstring> html;
    std::set<std::wstring> drop;
    // Processed as usual, then the connection is closed halfway through the
    // answer, or the answer is sent one byte a second.
    std::set<std::wstring> cut;
    std::set<std::wstring> trickle;
    // A connection idle for longer is closed, as a gateway's front closes it.
    DWORD idleCloseMs = INFINITE;
};

struct CommandLine {
    SimulatorOptions options;
    bool help = false;
    // Empty when the command line was understood.
    std::wstring error;
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);
extern const char* const Usage;

// "catalogue.xml" in the folder of this program.
std::wstring DefaultCatalogue();

} // namespace svcgate::tools
