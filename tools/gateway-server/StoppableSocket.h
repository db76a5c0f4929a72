#pragma once
// A non-blocking socket whose every wait also watches the server's stop event,
// so that no thread of the server outlives its destructor by more than a moment.

#include "common/Owners.h"

#include <string>
#include <string_view>

namespace svcgate::tools {

class StoppableSocket {
public:
    // `events` are those of WSAEventSelect that end a wait (FD_ACCEPT, FD_READ, ...).
    StoppableSocket(unique_socket socket, long events, HANDLE stop);

    // A new connection; empty once the server stops.
    unique_socket Accept();
    // Appends what has arrived; false when the peer closed or the server stops.
    bool Receive(std::string& into);
    // False when the peer went away or the server stops before every byte left.
    bool Send(std::string_view bytes);
    // Waits, sending nothing; false when the peer closed or the server stops meanwhile.
    bool Pause(DWORD ms);

private:
    enum class Wake { Ready, Stopped, TimedOut };
    Wake Wait(DWORD ms);
    // Whether the peer is still there; a byte it sends meanwhile is dropped.
    bool PeerStays();

    unique_socket socket_;
    unique_handle ready_;
    HANDLE stop_;
};

} // namespace svcgate::tools
