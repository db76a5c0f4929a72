// Winsock 2 goes before windows.h, which the headers below include.
#include <winsock2.h>

#include "gateway-sim/server/StoppableSocket.h"

#include "common/Exception.h"

#include <algorithm>
#include <climits>

namespace svcgate::tools {

namespace {

bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

int ChunkSize(std::string_view bytes) {
    return static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
}

void CheckSocketCall(int result) {
    if (result == SOCKET_ERROR)
        RaiseLastOSError();
}

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

unique_socket NewSocket() {
    unique_socket created(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!created)
        RaiseLastOSError();
    return created;
}

} // namespace

unique_winsock StartWinsock() {
    WSADATA data{};
    CheckWin32Result(WSAStartup(MAKEWORD(2, 2), &data));
    return unique_winsock(true);
}

unique_socket ListenOnLoopback(unsigned short port) {
    unique_socket listener = NewSocket();
    const sockaddr_in address = Loopback(port);
    CheckSocketCall(
        bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
    CheckSocketCall(listen(listener.get(), SOMAXCONN));
    return listener;
}

unique_socket ConnectToLoopback(unsigned short port) {
    unique_socket peer = NewSocket();
    const sockaddr_in address = Loopback(port);
    CheckSocketCall(
        connect(peer.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
    return peer;
}

unsigned short PortOf(SOCKET listener) {
    sockaddr_in address{};
    int size = sizeof address;
    CheckSocketCall(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size));
    return ntohs(address.sin_port);
}

StoppableSocket::StoppableSocket(unique_socket socket, HANDLE stop)
    : socket_(std::move(socket)), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), stop_(stop) {
    CheckWin32(static_cast<bool>(ready_));
    u_long nonBlocking = 1;
    if (ioctlsocket(socket_.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR)
        RaiseLastOSError();
}

unique_socket StoppableSocket::Accept() {
    for (;;) {
        unique_socket peer(accept(socket_.get(), nullptr, nullptr));
        // A connection the client dropped before it was taken is no reason to stop listening.
        if (peer || Wait(FD_ACCEPT, INFINITE) == Wake::Stopped)
            return peer;
    }
}

bool StoppableSocket::Await(DWORD ms) {
    return Wait(FD_READ | FD_CLOSE, ms) == Wake::Ready;
}

bool StoppableSocket::Receive(std::string& into) {
    for (;;) {
        char buffer[4096];
        const int received = recv(socket_.get(), buffer, sizeof buffer, 0);
        if (received > 0) {
            into.append(buffer, received);
            return true;
        }
        if (received == 0 || !WouldBlock() || Wait(FD_READ | FD_CLOSE, INFINITE) == Wake::Stopped)
            return false;
    }
}

bool StoppableSocket::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = send(socket_.get(), bytes.data(), ChunkSize(bytes), 0);
        if (sent > 0)
            bytes.remove_prefix(sent);
        else if (!WouldBlock() || Wait(FD_WRITE, INFINITE) == Wake::Stopped)
            return false;
    }
    return true;
}

bool StoppableSocket::Pause(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = std::min(GetTickCount64(), deadline);
        switch (Wait(FD_READ | FD_CLOSE,
                     ms == INFINITE ? INFINITE : static_cast<DWORD>(deadline - now))) {
        case Wake::TimedOut:
            return true;
        case Wake::Stopped:
            return false;
        case Wake::Ready:
            if (!PeerStays())
                return false;
        }
    }
}

StoppableSocket::Wake StoppableSocket::Wait(long events, DWORD ms) {
    // A socket already ready (a connection waiting, bytes unread) is recorded at once.
    ResetEvent(ready_.get());
    if (WSAEventSelect(socket_.get(), ready_.get(), events) == SOCKET_ERROR)
        RaiseLastOSError();
    // The stop event comes first, so that it wins when both are set.
    const HANDLE handles[] = {stop_, ready_.get()};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, ms);
    if (woken == WAIT_TIMEOUT)
        return Wake::TimedOut;
    return woken == WAIT_OBJECT_0 + 1 ? Wake::Ready : Wake::Stopped;
}

bool StoppableSocket::PeerStays() {
    char dropped[256];
    const int received = recv(socket_.get(), dropped, sizeof dropped, 0);
    return received > 0 || (received == SOCKET_ERROR && WouldBlock());
}

} // namespace svcgate::tools
