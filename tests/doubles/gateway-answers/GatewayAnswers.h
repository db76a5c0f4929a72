#pragma once
// What the gateway test server answers: the gateway's answers to each operation,
// built from the values a test cares about, and what a request asked for.

#include "gateway-sim/GatewayAnswer.h"
#include "gateway-sim/server/GatewayServer.h"

#include <string>
#include <vector>

namespace svcgate::test {

using tools::GatewayAnswer;

inline std::string LastIds(int id, int receipt) {
    return GatewayAnswer("terminals", "getLastIds", "0",
                         "<last-payment id=\"" + std::to_string(id) + "\" receipt-number=\"" +
                             std::to_string(receipt) + "\"/>");
}

inline std::string ConfigId(const std::string& id) {
    return GatewayAnswer("terminals", "getConfigId", "0", "<id>" + id + "</id>");
}

// Each agent is its attributes as written, e.g. name="A" cur-id="643".
inline std::string Agents(const std::vector<std::string>& agents) {
    std::string inner;
    for (const std::string& agent : agents)
        inner += "<agent " + agent + "/>";
    return GatewayAnswer("agents", "getAgentInfo", "0", inner);
}

// Rows of err_id and err_text.
inline std::string ResultCodes(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string inner;
    for (const auto& [id, text] : rows)
        inner += "<row err_id=\"" + id + "\" err_text=\"" + text + "\"/>";
    return GatewayAnswer("system", "getResultCodes", "0", inner);
}

// Providers with one text field "account" each.
inline std::string UIProviders(const std::vector<std::string>& ids) {
    std::string inner;
    for (const std::string& id : ids)
        inner += "<provider id=\"" + id + "\" lName=\"Provider " + id +
                 "\" curId=\"643\"><pages><page><controls><control type=\"text_input\" "
                 "name=\"account\" header=\"Account\"/></controls></page></pages></provider>";
    return GatewayAnswer("providers", "getUIProviders", "0", inner);
}

inline std::string Commissions(const std::string& id, const std::string& profile) {
    return GatewayAnswer("terminals", "getCommissions", "0",
                         "<row prv-id=\"" + id + "\" fix-com=\"1\" profile-id=\"" + profile +
                             "\"/>");
}

inline std::string Profiles(const std::string& profile, const std::string& percent) {
    return GatewayAnswer("terminals", "getCommissionProfiles", "0",
                         "<profile id=\"" + profile +
                             "\"><profile-data order=\"1\" com-percent=\"" + percent +
                             "\"/></profile>");
}

// The answer to a payment operation; `payment` is the payment element's attributes.
inline std::string Payment(const std::string& operation, const std::string& payment) {
    return GatewayAnswer("providers", operation, "0", "<payment " + payment + "/>");
}

// A first start: none of the cache files of the data folder.
void ClearCacheFiles();

// The operation a request asked for: the element under its group, after "client".
std::string OperationOf(const tools::ReceivedRequest& request);
std::vector<std::string> Operations(const tools::GatewayServer& server);

} // namespace svcgate::test
