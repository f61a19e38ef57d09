// The socket seam on POSIX (Linux): BSD sockets, getaddrinfo and poll.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "serial/network/sockets.h"

namespace quillon::serial::network {
namespace {

int real_resolve(const std::string& host, std::uint16_t port, std::vector<endpoint>& found) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    // EAI_SYSTEM means the real reason is in errno; the other codes are negative on glibc and
    // so never collide with an errno value.
    if (result == EAI_SYSTEM) return errno != 0 ? errno : EIO;
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
    return found.empty() ? EAI_NONAME : 0;
}

int real_open(const endpoint& where, socket_id& opened) {
    // Non-blocking so that connect and every send can wait with a bound; close-on-exec so that
    // a program started meanwhile does not keep the connection alive after we close it.
    const int fd =
        ::socket(where.family, where.type | SOCK_NONBLOCK | SOCK_CLOEXEC, where.protocol);
    if (fd < 0) return errno;
    // Each piece we send (a command, then its data, then a question) goes at once: with Nagle's
    // algorithm a second small piece waits for the first's acknowledgement, which Linux delays
    // by up to 40 ms. Failure here only costs that time.
    const int no_delay = 1;
    static_cast<void>(::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay));
    opened = fd;
    return 0;
}

int real_connect(socket_id s, const endpoint& where) {
    if (::connect(static_cast<int>(s), reinterpret_cast<const sockaddr*>(where.address.data()),
                  where.length) == 0) {
        return 0;
    }
    // A non-blocking connect interrupted by a signal goes on in the background (POSIX connect:
    // "the connection shall be established asynchronously"), exactly as EINPROGRESS.
    if (errno == EINTR) return EINPROGRESS;
    return errno;
}

int real_connect_outcome(socket_id s) {
    int pending = 0;
    socklen_t size = sizeof pending;
    if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &pending, &size) != 0) return errno;
    return pending;
}

int real_wait(socket_id s, bool for_reading, bool for_writing, int timeout_ms, readiness& ready) {
    pollfd p{static_cast<int>(s), 0, 0};
    if (for_reading) p.events |= POLLIN;
    if (for_writing) p.events |= POLLOUT;
    ready = {};
    const int n = ::poll(&p, 1, timeout_ms);
    if (n < 0) return errno;
    ready.readable = (p.revents & POLLIN) != 0;
    ready.writable = (p.revents & POLLOUT) != 0;
    ready.failed = (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    return 0;
}

int real_send(socket_id s, const char* bytes, std::size_t count, std::size_t& sent) {
    sent = 0;
    // MSG_NOSIGNAL: a send on a connection the peer has reset raises SIGPIPE, whose default
    // action ends the process; a library must not, and must not touch the process's handlers.
    const ssize_t n = ::send(static_cast<int>(s), bytes, count, MSG_NOSIGNAL);
    if (n < 0) return errno;
    sent = static_cast<std::size_t>(n);
    return 0;
}

int real_receive(socket_id s, char* bytes, std::size_t count, std::size_t& got) {
    got = 0;
    const ssize_t n = ::recv(static_cast<int>(s), bytes, count, 0);
    if (n < 0) return errno;
    // ser2net (4.3.11) keeps Nagle's algorithm on (it clears TCP_NODELAY, measured): a second
    // small answer of its own waits until we acknowledge the first, and Linux delays that by up
    // to 40 ms unless asked not to. TCP_QUICKACK lasts only until the next delay, so it is asked
    // for after every read. Failure here only costs that time.
    const int quick = 1;
    static_cast<void>(
        ::setsockopt(static_cast<int>(s), IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick));
    got = static_cast<std::size_t>(n);
    return 0;
}

int real_shutdown_sending(socket_id s) {
    return ::shutdown(static_cast<int>(s), SHUT_WR) == 0 ? 0 : errno;
}

int real_close(socket_id s) {
    // Never retried: on Linux the descriptor is gone even when close reports EINTR.
    return ::close(static_cast<int>(s)) == 0 ? 0 : errno;
}

std::int64_t real_now_ms() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

constexpr socket_calls real_table{real_resolve, real_open,  real_connect, real_connect_outcome,
                                  real_wait,    real_send,  real_receive, real_shutdown_sending,
                                  real_close,   real_now_ms};

// EAI_NODATA is glibc's answer for a name without addresses; it is not in POSIX.
constexpr native_codes posix_codes{EAGAIN,
                                   EINPROGRESS,
                                   EINTR,
                                   ECONNREFUSED,
                                   ECONNRESET,
                                   ECONNABORTED,
                                   EPIPE,
                                   ENOTCONN,
                                   ETIMEDOUT,
                                   ENETUNREACH,
                                   EHOSTUNREACH,
                                   EINVAL,
                                   EPROTONOSUPPORT,
                                   EPROTO,
                                   ENOBUFS,
                                   ENOMEM,
                                   {EAI_NONAME, EAI_NODATA, EAI_FAIL, EAI_AGAIN},
                                   EAI_MEMORY};

}  // namespace

socket_calls& sockets() noexcept {
    static socket_calls table = real_table;
    return table;
}

const socket_calls& real_sockets() noexcept { return real_table; }

const native_codes& codes() noexcept { return posix_codes; }

std::string describe_native(int native) {
    // Resolver codes are negative on glibc, errno values positive.
    if (native < 0) return ::gai_strerror(native);
    return std::error_code(native, std::generic_category()).message();
}

}  // namespace quillon::serial::network
