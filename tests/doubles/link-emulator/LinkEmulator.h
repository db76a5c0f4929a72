#pragma once
// A distant gateway on the loopback, for benchmarks and tests: a relay that
// adds a chosen round trip to each connection's set-up and half of it to each
// chunk in each direction. That is latency, not a slower line: a chunk leaves a
// fixed time after it arrived, however many follow it. It serves only the
// loopback and stops with its owner.

#include "common/Owners.h"

#include <atomic>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace svcgate::tools {

class StoppableSocket;

class LinkEmulator {
public:
    // Relays every connection made to Port() to 127.0.0.1:`target`.
    LinkEmulator(unsigned short target, DWORD roundTripMs);
    // Ends every connection at once and joins.
    ~LinkEmulator();
    LinkEmulator(const LinkEmulator&) = delete;
    LinkEmulator& operator=(const LinkEmulator&) = delete;

    unsigned short Port() const { return port_; }
    int Connections() const { return connections_; }
    // What a client sends before the next answer begins counts as one request;
    // over TLS the client's flights of the handshake count too.
    int Requests() const { return requests_; }

private:
    struct Chunk {
        ULONGLONG due;
        std::string bytes;
    };
    void Listen();
    void Relay(unique_socket client);
    // Ends with the connection, its delayed chunks delivered first when `from` closed.
    void Pump(StoppableSocket& from, StoppableSocket& to, bool fromClient,
              std::atomic<bool>& answered);
    // Sends the chunks that are due; false when `to` went away.
    bool Deliver(std::deque<Chunk>& inFlight, StoppableSocket& to, bool fromClient,
                 std::atomic<bool>& answered);

    unique_winsock winsock_;
    unique_socket listener_;
    unique_handle stop_;
    const unsigned short target_;
    const DWORD roundTripMs_;
    unsigned short port_ = 0;
    std::atomic<int> connections_ = 0;
    std::atomic<int> requests_ = 0;
    // Each connection's end, set when the emulator stops.
    std::mutex mutex_;
    std::vector<HANDLE> ends_;
    std::future<void> listening_;
};

} // namespace svcgate::tools
