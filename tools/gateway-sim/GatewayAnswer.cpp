#include "gateway-sim/GatewayAnswer.h"

namespace svcgate::tools {

namespace {

std::string ResultAttribute(std::string_view result) {
    return result.empty() ? std::string() : " result=\"" + std::string(result) + "\"";
}

} // namespace

std::string GatewayAnswer(std::string_view group, std::string_view operation,
                          std::string_view operationResult, std::string_view inner,
                          std::string_view rootResult) {
    const std::string groupName(group), operationName(operation);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<response" + ResultAttribute(rootResult) +
           "><" + groupName + "><" + operationName + ResultAttribute(operationResult) + ">" +
           std::string(inner) + "</" + operationName + "></" + groupName + "></response>";
}

} // namespace svcgate::tools
