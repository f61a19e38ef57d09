// A connection to a network target: what the device layer holds for a tcp:// or rfc2217://
// path instead of a device. Opening connects (bounded) and, for rfc2217://, negotiates the
// telnet options; line settings, writes and the close each have a time bound of their own.
//
// tcp://: the bytes go out as they are. Nothing on the wire carries line settings, so they are
//   kept in the handle and read back from there (the write bound uses the baud rate kept).
// rfc2217://: telnet with COM-PORT-OPTION (RFC 2217). Each line setting that has a COM-PORT
//   command is sent and waits for the server's answer (command + 100, with the value now in
//   effect), which is the read-back; a setting without one is kept in the handle. DTR and RTS
//   commands are sent and not awaited (ser2net never answers them on a device without modem
//   lines). Data is sent with 255 doubled (RFC 854), and a write ends with a question whose
//   answer proves the server has taken the bytes (see write_all).
//
// Bounds: the server's input can make the connection keep only so much (pending_replies_cap
// replies, answers_cap bytes of negotiation answers, telnet::longest_subnegotiation bytes of one
// subnegotiation); past any of them the step under way fails with the too-much-input code and
// the connection is broken. The open (connect, negotiation and every line setting until the
// first write) has one deadline, connect_bound_ms; a server that lets one reply wait run out is
// not waited for again. Each COM-PORT command is sent once: a setting that asks for a value its
// command already carried gets the outcome that command had.
//
// Functions that can fail return a native code of the socket seam (see sockets.h), 0 on
// success; error_for is the only place that turns one into an error number and kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

#include "serial/errors.h"
#include "serial/line_state.h"
#include "serial/network/target.h"
#include "serial/port_backend.h"

namespace quillon::serial::network {

// An open (connect, negotiation and the line settings that follow until the first write) gives
// up after this long, over all the addresses a name resolves to. The name lookup itself is bounded
// by the system resolver (its time-out and attempts).
inline constexpr int connect_bound_ms = 5000;
// The server's agreement to COM-PORT-OPTION (within the open's bound), and its answer to a
// COM-PORT command.
inline constexpr int answer_bound_ms = 2000;
// At close, how long the far end may take to end the connection after ours is shut.
inline constexpr int close_bound_ms = 2000;
// How long after the connect and after the last write our side is shut at the earliest, so
// that the far device has opened and passed the bytes on (see close()).
inline constexpr int settle_ms = 50;
// What a server's input may make a connection keep: replies not yet awaited (a real server
// sends a few late ones at most) and bytes of negotiation answers not yet sent.
inline constexpr std::size_t pending_replies_cap = 64;
inline constexpr std::size_t answers_cap = 1024;

struct connection;
struct connection_deleter {
    void operator()(connection* c) const noexcept;
};
using connection_ptr = std::unique_ptr<connection, connection_deleter>;

struct connect_outcome {
    connection_ptr link;  // null when the connection failed
    int native = 0;
};

// Resolves the host, connects and, for rfc2217://, agrees on COM-PORT-OPTION and BINARY
// (within answer_bound_ms), all within connect_bound_ms. Nothing is sent to the device.
connect_outcome connect(const target& where);

// One line setting. tcp:// keeps it; rfc2217:// sends what it maps to and waits for each
// answer (not for DTR and RTS). Refused (the port keeps what it had) when the value has no
// COM-PORT form, when the server answers with another value (the answered-otherwise code, the
// outcome's answer holding both values), or when no answer comes within answer_bound_ms (at
// once, without waiting, once one answer has failed to come).
backend::setting_outcome apply_line_setting(connection& c, line_setting setting,
                                            std::int32_t value);

// The line state as kept in the handle: every setting that was taken.
line_state kept_state(const connection& c);

// Leaves any break state (rfc2217://: SET-CONTROL BREAK off); its answer is of no interest.
void clear_break(connection& c) noexcept;

// Sends exactly the bytes, within the time they need at the baud rate kept, plus two seconds
// (ten bit times per byte), pausing while the server has suspended data (RFC 2217
// FLOWCONTROL-SUSPEND). Past that it fails with the time-out code and the connection should
// be closed. rfc2217:// returns once the server has answered a question sent after the data
// (unless it has been silent before): success means the server has taken the bytes. An empty
// string sends nothing.
// A stop requested on `cancel` (from another thread) shuts the sending side at once: the write
// fails, and the connection should be closed.
int write_all(connection& c, std::span<const char> bytes, std::stop_token cancel = {});

// Shuts our side, waits up to close_bound_ms for the far end to end the connection (ser2net
// does once its device has taken what it holds), and closes; a connection that never wrote a
// byte closes at once. A reset or error while waiting is
// returned (the bytes may not have been taken); the far end keeping its side open past the
// bound is not. Our side is shut settle_ms after the connect and the last write at the
// earliest. Never retried.
int close(connection& c);

// The error number and kind for a native code of the socket seam (0 gives no error).
error error_for(int native) noexcept;

}  // namespace quillon::serial::network
