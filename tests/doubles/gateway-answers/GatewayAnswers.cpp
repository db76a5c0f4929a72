#include "GatewayAnswers.h"

#include "common/uCommonUtils.Folders.h"
#include "gateway/PendingRegistration.h"

namespace svcgate::test {

// Read from the bytes: the server calls this on a thread of its own, where no
// XML parser is at hand.
std::string OperationOf(const tools::ReceivedRequest& request) {
    const std::string& body = request.body;
    const size_t client = body.find("<client");
    const size_t group = body.find('>', body.find("/>", client) + 2);
    const size_t operation = group + 2;
    const size_t end = body.find_first_of(" />", operation);
    return client == std::string::npos || end == std::string::npos
               ? std::string()
               : body.substr(operation, end - operation);
}

void ClearCacheFiles() {
    for (const wchar_t* file : {L"settings.sts", L"rescodes.sl", L"providers.xml"})
        DeleteFileW((GetDataFolder() + file).c_str());
    // An earlier test's lost registration would be taken for this test's retry
    // should its server come back on the same port.
    ForgetTerminalPayments(L"77");
}

std::vector<std::string> Operations(const tools::GatewayServer& server) {
    std::vector<std::string> names;
    for (const tools::ReceivedRequest& request : server.Requests())
        names.push_back(OperationOf(request));
    return names;
}

} // namespace svcgate::test
