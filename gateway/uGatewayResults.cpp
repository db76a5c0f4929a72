#include "gateway/uGatewayResults.h"

#include "gateway/uGatewayTexts.h"

#include <algorithm>
#include <iterator>

namespace svcgate {

namespace {

struct CodeText {
    std::int32_t code;
    const wchar_t* text;
};

constexpr CodeText gatewayResults[] = {
#define GATEWAY_RESULT(code, text) {code, text},
#include "gateway/GatewayResults.def"
#undef GATEWAY_RESULT
};

constexpr const wchar_t* paymentStatuses[] = {
    GatewayTexts::StatusError,
    GatewayTexts::StatusExecuting,
    GatewayTexts::StatusCompleted,
    GatewayTexts::StatusAuthorized,
};

} // namespace

std::wstring GatewayResultText(std::int32_t Code) {
    const auto found = std::find_if(std::begin(gatewayResults), std::end(gatewayResults),
                                    [&](const CodeText& entry) { return entry.code == Code; });
    if (found != std::end(gatewayResults))
        return found->text;
    return GatewayTexts::UnknownResult + std::to_wstring(Code);
}

void PaymentStatusText(TPaymentStatus Status, std::wstring& Text) {
    if (Status < std::size(paymentStatuses))
        Text = paymentStatuses[Status];
}

} // namespace svcgate
