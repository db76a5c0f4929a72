#include "gateway/uGatewayResults.h"

#include "gateway/uGatewayTexts.h"

#include <algorithm>
#include <iterator>

namespace svcgate {

namespace {

enum Verdict { Open, Refused };

struct CodeText {
    std::int32_t code;
    Verdict verdict;
    const wchar_t* text;
};

constexpr CodeText gatewayResults[] = {
#define GATEWAY_RESULT(code, verdict, text) {code, verdict, text},
#include "gateway/GatewayResults.def"
#undef GATEWAY_RESULT
};

constexpr const wchar_t* paymentStatuses[] = {
    GatewayTexts::StatusError,
    GatewayTexts::StatusExecuting,
    GatewayTexts::StatusCompleted,
    GatewayTexts::StatusAuthorized,
};

const CodeText* Entry(std::int32_t Code) {
    const auto found = std::find_if(std::begin(gatewayResults), std::end(gatewayResults),
                                    [&](const CodeText& entry) { return entry.code == Code; });
    return found != std::end(gatewayResults) ? found : nullptr;
}

} // namespace

std::wstring GatewayResultText(std::int32_t Code) {
    if (const CodeText* found = Entry(Code))
        return found->text;
    return GatewayTexts::UnknownResult + std::to_wstring(Code);
}

bool RefusesPayment(std::int32_t Code) {
    const CodeText* found = Entry(Code);
    return found && found->verdict == Refused;
}

void PaymentStatusText(TPaymentStatus Status, std::wstring& Text) {
    if (Status < std::size(paymentStatuses))
        Text = paymentStatuses[Status];
}

} // namespace svcgate
