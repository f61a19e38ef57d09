// The socket seam of the network part: every call on a socket goes through this table, so that
// the protocol code above it is the same for POSIX sockets and Winsock (one implementation each,
// chosen at configure time: sockets_posix.cpp, sockets_winsock.cpp), and so that a test can
// stand in for a call a real peer on 127.0.0.1 cannot show (a host the resolver does not know,
// a connection that never completes). The clock is here too.
//
// Functions that can fail return the platform's native code (errno, a getaddrinfo code, or a
// Winsock code), 0 on success. Sockets are non-blocking and not inherited by child processes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::serial::network {

// A socket descriptor or a Winsock SOCKET, whichever the platform has.
using socket_id = std::intptr_t;
inline constexpr socket_id no_socket = -1;

// One address the resolver found, in the platform's sockaddr form.
struct endpoint {
    int family = 0;
    int type = 0;
    int protocol = 0;
    std::array<unsigned char, 128> address{};  // the size of a sockaddr_storage on both
    std::uint32_t length = 0;
};

struct readiness {
    bool readable = false;
    bool writable = false;
    bool failed = false;  // an error or hang-up is pending: the next call reports it
};

struct socket_calls {
    int (*resolve)(const std::string& host, std::uint16_t port, std::vector<endpoint>& found);
    int (*open)(const endpoint& where, socket_id& opened);
    // 0 when connected at once; codes().in_progress when the connection is under way (wait
    // for writable, then ask connect_outcome).
    int (*connect)(socket_id s, const endpoint& where);
    int (*connect_outcome)(socket_id s);
    // Waits up to timeout_ms for what is asked; a time-out is 0 with nothing ready.
    int (*wait)(socket_id s, bool for_reading, bool for_writing, int timeout_ms, readiness& ready);
    int (*send)(socket_id s, const char* bytes, std::size_t count, std::size_t& sent);
    // got is 0 when the peer has closed its side.
    int (*receive)(socket_id s, char* bytes, std::size_t count, std::size_t& got);
    int (*shutdown_sending)(socket_id s);
    int (*close)(socket_id s);
    std::int64_t (*now_ms)();  // a monotonic clock
};

// The table in use. Tests swap entries and restore them; nothing else changes it.
socket_calls& sockets() noexcept;
const socket_calls& real_sockets() noexcept;

// The platform's values of the native codes the network part tells apart.
struct native_codes {
    int would_block;
    int in_progress;
    int interrupted;
    int refused;
    int reset;
    int aborted;
    int broken_pipe;
    int not_connected;
    int timed_out;
    int network_unreachable;
    int host_unreachable;
    int invalid;             // a value the far end did not take
    int no_protocol;         // the far end does not speak the protocol asked for
    int answered_otherwise;  // the far end answered a setting with another value
    int too_much_input;      // the far end sent more than a cap lets us keep
    int no_memory;
    std::array<int, 4> unknown_host;  // the resolver's "no such name" answers
    int lookup_no_memory;
};
const native_codes& codes() noexcept;

// The platform's own words for a native code (resolver codes included).
std::string describe_native(int native);

}  // namespace quillon::serial::network
