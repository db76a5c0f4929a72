#pragma once
// The gateway client with its exchange open to the tests, against a test server.

#include "gateway-answers/GatewayAnswers.h"
#include "gateway/uDevice.h"

#include <gtest/gtest.h>

namespace svcgate::test {

class GatewayClient : public TDevice {
public:
    using TDevice::CheckResponse;
    using TDevice::ExecuteRequest;
    using TDevice::FResultCodes;
    using TDevice::GetLastIds;
    using TDevice::GetResultCodeText;
};

class Gateway : public testing::Test {
protected:
    tools::GatewayServer server;
    GatewayClient client;
    XmlDocument doc;

    void SetUp() override {
        client.SetServer1URL(server.Url());
        client.SetLogin(L"dealer");
        client.SetPassword(L"secret");
        client.SetTerminalID(L"77");
    }
    // One exchange of "getLastIds" answered with `body`.
    std::int32_t Exchange(std::string body) {
        server.Queue({std::move(body)});
        return client.ExecuteRequest(L"terminals", L"getLastIds", doc);
    }
};

} // namespace svcgate::test
