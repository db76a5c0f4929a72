// Winsock 2 goes before windows.h, which the headers below include.
#include <winsock2.h>

#include "link-emulator/LinkEmulator.h"

#include "gateway-sim/server/StoppableSocket.h"

#include "common/Exception.h"

#include <algorithm>
#include <deque>
#include <string>

namespace svcgate::tools {

namespace {

bool Stopped(HANDLE end, DWORD waitMs) {
    return WaitForSingleObject(end, waitMs) == WAIT_OBJECT_0;
}

// The relay's own sends leave as they are due: Nagle's rule would hold a chunk
// until the previous one is acknowledged, a stall of the relay's own.
unique_socket Immediate(unique_socket socket) {
    const BOOL on = TRUE;
    setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);
    return socket;
}

DWORD Until(ULONGLONG due) {
    const ULONGLONG now = GetTickCount64();
    return due > now ? static_cast<DWORD>(due - now) : 0;
}

} // namespace

LinkEmulator::LinkEmulator(unsigned short target, DWORD roundTripMs)
    : winsock_(StartWinsock()), listener_(ListenOnLoopback(0)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), target_(target),
      roundTripMs_(roundTripMs), port_(PortOf(listener_.get())) {
    CheckWin32(static_cast<bool>(stop_));
    listening_ = std::async(std::launch::async, &LinkEmulator::Listen, this);
}

LinkEmulator::~LinkEmulator() {
    SetEvent(stop_.get());
    listening_.get();
}

void LinkEmulator::Listen() {
    StoppableSocket listener(std::move(listener_), stop_.get());
    std::vector<std::future<void>> relays;
    while (unique_socket client = listener.Accept()) {
        ++connections_;
        relays.push_back(
            std::async(std::launch::async, &LinkEmulator::Relay, this, std::move(client)));
    }
    {
        std::lock_guard lock(mutex_);
        for (HANDLE end : ends_)
            SetEvent(end);
    }
    for (std::future<void>& relay : relays)
        relay.get();
}

void LinkEmulator::Relay(unique_socket client) {
    const unique_handle end(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CheckWin32(static_cast<bool>(end));
    {
        std::lock_guard lock(mutex_);
        if (Stopped(stop_.get(), 0))
            return;
        ends_.push_back(end.get());
    }
    // The client's connect has returned, but its first bytes wait out the set-up.
    if (!Stopped(end.get(), roundTripMs_)) {
        StoppableSocket clientSide(Immediate(std::move(client)), end.get());
        StoppableSocket gatewaySide(Immediate(ConnectToLoopback(target_)), end.get());
        std::atomic<bool> answered = true;
        auto upstream =
            std::async(std::launch::async, &LinkEmulator::Pump, this, std::ref(clientSide),
                       std::ref(gatewaySide), true, std::ref(answered));
        Pump(gatewaySide, clientSide, false, answered);
        SetEvent(end.get());
        upstream.get();
    }
    std::lock_guard lock(mutex_);
    std::erase(ends_, end.get());
}

bool LinkEmulator::Deliver(std::deque<Chunk>& inFlight, StoppableSocket& to, bool fromClient,
                           std::atomic<bool>& answered) {
    for (; !inFlight.empty() && Until(inFlight.front().due) == 0; inFlight.pop_front()) {
        if (!to.Send(inFlight.front().bytes))
            return false;
        if (!fromClient)
            answered = true;
    }
    return true;
}

void LinkEmulator::Pump(StoppableSocket& from, StoppableSocket& to, bool fromClient,
                        std::atomic<bool>& answered) {
    const HANDLE end = from.StopEvent();
    std::deque<Chunk> inFlight;
    bool open = true;
    while (Deliver(inFlight, to, fromClient, answered) && (open || !inFlight.empty())) {
        const DWORD wait = inFlight.empty() ? INFINITE : Until(inFlight.front().due);
        if (open && from.Await(wait)) {
            std::string bytes;
            open = from.Receive(bytes);
            if (open && fromClient && answered.exchange(false))
                ++requests_;
            if (open)
                inFlight.push_back({GetTickCount64() + roundTripMs_ / 2, std::move(bytes)});
        } else if (Stopped(end, open ? 0 : wait)) {
            break;
        }
    }
    SetEvent(end);
}

} // namespace svcgate::tools
