// The socket seam on Windows: Winsock 2 (ws2_32), getaddrinfo and select.
#include <winsock2.h>
#include <ws2tcpip.h>
// windows.h after winsock2.h: the other order pulls in the old winsock.h, which clashes.
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

#include "serial/network/sockets.h"

namespace quillon::serial::network {
namespace {

// Winsock works only after WSAStartup. Once per process, on first use; never undone, since
// the library closes nothing at process exit and WSACleanup would pull sockets from under
// another thread's feet.
int winsock_started() {
    static const int result = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

SOCKET as_socket(socket_id s) { return static_cast<SOCKET>(s); }

int real_resolve(const std::string& host, std::uint16_t port, std::vector<endpoint>& found) {
    if (int started = winsock_started(); started != 0) return started;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    // Winsock's getaddrinfo answers with WSA codes (WSAHOST_NOT_FOUND and so on).
    const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (result != 0) return result;
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        endpoint e;
        if (a->ai_addrlen > e.address.size()) continue;
        e.family = a->ai_family;
        e.type = a->ai_socktype;
        e.protocol = a->ai_protocol;
        std::memcpy(e.address.data(), a->ai_addr, a->ai_addrlen);
        e.length = static_cast<std::uint32_t>(a->ai_addrlen);
        found.push_back(e);
    }
    freeaddrinfo(list);
    return found.empty() ? WSAHOST_NOT_FOUND : 0;
}

int real_open(const endpoint& where, socket_id& opened) {
    if (int started = winsock_started(); started != 0) return started;
    const SOCKET s = ::socket(where.family, where.type, where.protocol);
    if (s == INVALID_SOCKET) return WSAGetLastError();
    // Sockets are inheritable handles by default: a program started meanwhile would keep the
    // connection alive after we close it. Failure here only loses that nicety.
    static_cast<void>(SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0));
    // Each piece we send (a command, then its data, then a question) goes at once: with Nagle's
    // algorithm a second small piece waits for the first's acknowledgement, which the far end
    // delays (up to 200 ms on Windows). Failure here only costs that time.
    const BOOL no_delay = TRUE;
    static_cast<void>(setsockopt(s, IPPROTO_TCP, TCP_NODELAY,
                                 reinterpret_cast<const char*>(&no_delay), sizeof no_delay));
    u_long non_blocking = 1;
    if (ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
        const int native = WSAGetLastError();
        closesocket(s);
        return native;
    }
    opened = static_cast<socket_id>(s);
    return 0;
}

int real_connect(socket_id s, const endpoint& where) {
    if (::connect(as_socket(s), reinterpret_cast<const sockaddr*>(where.address.data()),
                  static_cast<int>(where.length)) == 0) {
        return 0;
    }
    // A non-blocking connect under way is WSAEWOULDBLOCK on Winsock, not WSAEINPROGRESS.
    return WSAGetLastError();
}

int real_connect_outcome(socket_id s) {
    int pending = 0;
    int size = sizeof pending;
    if (getsockopt(as_socket(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &size) !=
        0) {
        return WSAGetLastError();
    }
    return pending;
}

int real_wait(socket_id s, bool for_reading, bool for_writing, int timeout_ms, readiness& ready) {
    // select, not WSAPoll: WSAPoll does not report a failed connect (it waits out its time-out)
    // on Windows before 10 version 2004. A failed connect shows in the exception set.
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (for_reading) FD_SET(as_socket(s), &readable);
    if (for_writing) FD_SET(as_socket(s), &writable);
    FD_SET(as_socket(s), &failed);
    timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    ready = {};
    if (select(0, &readable, &writable, &failed, &limit) == SOCKET_ERROR) return WSAGetLastError();
    ready.readable = FD_ISSET(as_socket(s), &readable) != 0;
    ready.writable = FD_ISSET(as_socket(s), &writable) != 0;
    ready.failed = FD_ISSET(as_socket(s), &failed) != 0;
    return 0;
}

int real_send(socket_id s, const char* bytes, std::size_t count, std::size_t& sent) {
    sent = 0;
    // send takes an int count: a longer string goes in pieces, as a short send would anyway.
    const int asked = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    const int n = ::send(as_socket(s), bytes, asked, 0);
    if (n == SOCKET_ERROR) return WSAGetLastError();
    sent = static_cast<std::size_t>(n);
    return 0;
}

int real_receive(socket_id s, char* bytes, std::size_t count, std::size_t& got) {
    got = 0;
    const int asked = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    const int n = ::recv(as_socket(s), bytes, asked, 0);
    if (n == SOCKET_ERROR) return WSAGetLastError();
    got = static_cast<std::size_t>(n);
    return 0;
}

int real_shutdown_sending(socket_id s) {
    return ::shutdown(as_socket(s), SD_SEND) == 0 ? 0 : WSAGetLastError();
}

int real_close(socket_id s) {
    // A socket is closed with closesocket; CloseHandle on it leaks Winsock's side.
    return closesocket(as_socket(s)) == 0 ? 0 : WSAGetLastError();
}

std::int64_t real_now_ms() { return static_cast<std::int64_t>(GetTickCount64()); }

constexpr socket_calls real_table{real_resolve, real_open,  real_connect, real_connect_outcome,
                                  real_wait,    real_send,  real_receive, real_shutdown_sending,
                                  real_close,   real_now_ms};

constexpr native_codes winsock_codes{WSAEWOULDBLOCK,
                                     WSAEWOULDBLOCK,
                                     WSAEINTR,
                                     WSAECONNREFUSED,
                                     WSAECONNRESET,
                                     WSAECONNABORTED,
                                     WSAESHUTDOWN,
                                     WSAENOTCONN,
                                     WSAETIMEDOUT,
                                     WSAENETUNREACH,
                                     WSAEHOSTUNREACH,
                                     WSAEINVAL,
                                     WSAEPROTONOSUPPORT,
                                     ERROR_INVALID_DATA,
                                     WSAENOBUFS,
                                     WSA_NOT_ENOUGH_MEMORY,
                                     {WSAHOST_NOT_FOUND, WSANO_DATA, WSANO_RECOVERY, WSATRY_AGAIN},
                                     WSA_NOT_ENOUGH_MEMORY};

}  // namespace

socket_calls& sockets() noexcept {
    static socket_calls table = real_table;
    return table;
}

const socket_calls& real_sockets() noexcept { return real_table; }

const native_codes& codes() noexcept { return winsock_codes; }

std::string describe_native(int native) {
    // The system's message table holds the Winsock texts as well.
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(native), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length)
                                                         : "error " + std::to_string(native);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

}  // namespace quillon::serial::network
