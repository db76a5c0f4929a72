#pragma once
// The gateway's envelope of an answer, which the simulator wraps around each of
// its answers and tests script without pasting XML.

#include <string>
#include <string_view>

namespace svcgate::tools {

// The root "response" with its "result", holding the element group/operation with
// its own "result" and `inner` as its content. An empty result leaves that
// attribute out, for an answer without a result code. E.g.
// GatewayAnswer("terminals", "getLastIds", "0", R"(<last-payment id="5" receipt-number="7"/>)")
std::string GatewayAnswer(std::string_view group, std::string_view operation,
                          std::string_view operationResult = "0", std::string_view inner = {},
                          std::string_view rootResult = "0");

} // namespace svcgate::tools
