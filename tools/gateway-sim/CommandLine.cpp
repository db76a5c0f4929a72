#include "gateway-sim/SimulatorOptions.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/uCommonUtils.Money.h"

#include <cwchar>
#include <functional>
#include <optional>

namespace svcgate::tools {

const char* const Usage =
    "gateway-sim.exe [switches]: plays the SvcGate gateway on 127.0.0.1 until stdin\n"
    "is closed or a line \"quit\" arrives; one line per request on stdout\n"
    "(the time, the operation, its outcome and the connection's number).\n"
    "  --port N              port to listen on (8181)\n"
    "  --catalogue FILE      providers and profiles (catalogue.xml beside the program)\n"
    "  --login L             the dealer's login (dealer)\n"
    "  --password P          the dealer's password (secret)\n"
    "  --terminal T          the terminal number (77)\n"
    "  --balance AMOUNT      the balance at start (100000)\n"
    "  --fault OPERATION=CODE  answers the operation with that result code\n"
    "  --delay OPERATION=MS  waits that long before answering the operation\n"
    "  --html OPERATION      answers the operation with an HTML error page\n"
    "  --drop OPERATION      closes the connection without an answer\n"
    "  --cut OPERATION       processes the operation, then closes halfway through the answer\n"
    "  --trickle OPERATION   processes the operation, then answers one byte a second\n"
    "  --idle-close MS       closes a connection idle for longer (kept open otherwise)\n"
    "  --help                this text\n"
    "Switches may repeat; an operation is named as in the request (getBalance).\n";

namespace {

using Setter = std::function<bool(SimulatorOptions&, const std::wstring&)>;

std::optional<long> Number(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || value < 0)
        return std::nullopt;
    return value;
}

std::optional<Currency> Amount(const std::wstring& text) {
    try {
        return TextToCurrency(text);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

// OPERATION=NUMBER, into one of the per-operation maps.
template <class T>
bool SetByOperation(std::map<std::wstring, T>& target, const std::wstring& text) {
    const size_t equals = text.find(L'=');
    if (equals == 0 || equals == std::wstring::npos)
        return false;
    const std::optional<long> value = Number(text.substr(equals + 1));
    if (value)
        target[text.substr(0, equals)] = static_cast<T>(*value);
    return value.has_value();
}

bool SetPort(SimulatorOptions& options, const std::wstring& text) {
    const std::optional<long> port = Number(text);
    const bool valid = port && *port > 0 && *port < 65536;
    if (valid)
        options.port = static_cast<unsigned short>(*port);
    return valid;
}

bool SetIdleClose(SimulatorOptions& options, const std::wstring& text) {
    const std::optional<long> ms = Number(text);
    if (ms)
        options.idleCloseMs = static_cast<DWORD>(*ms);
    return ms.has_value();
}

bool SetBalance(SimulatorOptions& options, const std::wstring& text) {
    const std::optional<Currency> amount = Amount(text);
    if (amount)
        options.balance = *amount;
    return amount.has_value();
}

Setter Text(std::wstring SimulatorOptions::*field) {
    return [field](SimulatorOptions& options, const std::wstring& text) {
        options.*field = text;
        return true;
    };
}

Setter Flag(std::set<std::wstring> SimulatorOptions::*field) {
    return [field](SimulatorOptions& options, const std::wstring& text) {
        (options.*field).insert(text);
        return true;
    };
}

const std::map<std::wstring, Setter>& Switches() {
    static const std::map<std::wstring, Setter> switches{
        {L"--port", SetPort},
        {L"--catalogue", Text(&SimulatorOptions::catalogue)},
        {L"--login", Text(&SimulatorOptions::login)},
        {L"--password", Text(&SimulatorOptions::password)},
        {L"--terminal", Text(&SimulatorOptions::terminal)},
        {L"--balance", SetBalance},
        {L"--fault",
         [](SimulatorOptions& o, const std::wstring& t) { return SetByOperation(o.faults, t); }},
        {L"--delay",
         [](SimulatorOptions& o, const std::wstring& t) { return SetByOperation(o.delays, t); }},
        {L"--html", Flag(&SimulatorOptions::html)},
        {L"--drop", Flag(&SimulatorOptions::drop)},
        {L"--cut", Flag(&SimulatorOptions::cut)},
        {L"--trickle", Flag(&SimulatorOptions::trickle)},
        {L"--idle-close", SetIdleClose}};
    return switches;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    for (size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::wstring& name = arguments[i];
        if (name == L"--help" || name == L"-h" || name == L"/?") {
            line.help = true;
            continue;
        }
        const auto found = Switches().find(name);
        if (found == Switches().end())
            line.error = L"unknown switch " + name;
        else if (i + 1 == arguments.size())
            line.error = name + L" needs a value";
        else if (!found->second(line.options, arguments[++i]))
            line.error = L"bad value for " + name + L": " + arguments[i];
    }
    return line;
}

std::wstring DefaultCatalogue() {
    const std::wstring path = ThisModulePath();
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"catalogue.xml";
}

} // namespace svcgate::tools
