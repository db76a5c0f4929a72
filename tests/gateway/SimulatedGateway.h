#pragma once
// The real gateway client against the gateway simulator, served in-process.

#include "gateway-sim/GatewaySimulator.h"
#include "gateway/uDevice.h"

#include <gtest/gtest.h>

#include <memory>

namespace svcgate::test {

class SimulatorClient : public TDevice {
public:
    using TDevice::ExecuteRequest;
    using TDevice::GetLastIds;
};

class SimulatedGateway : public testing::Test {
protected:
    // A new gateway numbers from 1: what an earlier run left of the terminal's
    // payments on this machine would number past it.
    void Start() {
        ForgetTerminalPayments(L"77");
        simulator = std::make_unique<tools::GatewaySimulator>(options);
        server.SetResponder([this](const tools::ReceivedRequest& request) {
            return simulator->Answer(request).answer;
        });
        Connect(client);
    }

    void Connect(TDevice& device) {
        device.SetServer1URL(server.Url());
        device.SetLogin(L"dealer");
        device.SetPassword(L"secret");
        device.SetTerminalID(L"77");
    }

    std::int32_t Pay(TPaymentMode mode) {
        return client.AuthorizePayment(1015000, 1000000, L"1001", L"9001234567", {}, mode, status,
                                       paymentID, uid);
    }

    tools::SimulatorOptions options;
    // Outlives the server, whose threads call it.
    std::unique_ptr<tools::GatewaySimulator> simulator;
    tools::GatewayServer server;
    SimulatorClient client;
    TPaymentStatus status = psError;
    std::int32_t paymentID = 0;
    std::wstring uid;
};

} // namespace svcgate::test
