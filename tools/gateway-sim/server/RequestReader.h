#pragma once
// Reads one request off a connection as the gateway would: the head up to the
// empty line, then exactly the Content-Length bytes of the body.

#include "gateway-sim/server/GatewayServer.h"
#include "gateway-sim/server/StoppableSocket.h"

#include <optional>

namespace svcgate::tools {

// Empty when the peer or the server gave up first, when no byte of it came
// within `idleMs`, or when the request was refused; a refusal says why on the
// standard error.
std::optional<ReceivedRequest> ReadRequest(StoppableSocket& peer, DWORD idleMs);

// Compared without regard to the case of Latin letters, as header names are.
bool SameText(std::string_view a, std::string_view b);

} // namespace svcgate::tools
