#pragma once
// A non-blocking socket whose every wait also watches the server's stop event,
// so that no thread of the server outlives its destructor by more than a moment.
//
// Each wait selects afresh exactly the network events that end it, which clears
// whatever was recorded before: a wait then ends whenever the socket is ready,
// not only when something new happens. Wine can record an FD_ACCEPT for a
// connection that accept() has already taken, and re-enables FD_ACCEPT only
// when an accept() succeeds; a listener that kept one selection then slept
// through the next connection for good (seen as a client's minute-long wait).

#include "common/Owners.h"

#include <string>
#include <string_view>

namespace svcgate::tools {

unique_winsock StartWinsock();
// Port 0 lets the system pick a free one.
unique_socket ListenOnLoopback(unsigned short port);
unique_socket ConnectToLoopback(unsigned short port);
unsigned short PortOf(SOCKET listener);

class StoppableSocket {
public:
    StoppableSocket(unique_socket socket, HANDLE stop);

    // A new connection; empty once the server stops.
    unique_socket Accept();
    // Waits for a byte to arrive (or the peer to close); false when none came
    // within `ms` or the server stops.
    bool Await(DWORD ms);
    // Appends what has arrived; false when the peer closed or the server stops.
    bool Receive(std::string& into);
    // False when the peer went away or the server stops before every byte left.
    bool Send(std::string_view bytes);
    // The event that ends this socket's waits.
    HANDLE StopEvent() const { return stop_; }
    // Waits, sending nothing; false when the peer closed or the server stops meanwhile.
    bool Pause(DWORD ms);

private:
    enum class Wake { Ready, Stopped, TimedOut };
    // `events` are those of WSAEventSelect that end this wait (FD_ACCEPT, FD_READ, ...).
    Wake Wait(long events, DWORD ms);
    // Whether the peer is still there; a byte it sends meanwhile is dropped.
    bool PeerStays();

    unique_socket socket_;
    unique_handle ready_;
    HANDLE stop_;
};

} // namespace svcgate::tools
