#include "serial/network/connection.h"

#include <algorithm>
#include <array>
#include <climits>
#include <deque>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "serial/network/sockets.h"
#include "serial/network/telnet.h"
#include "serial/write_bound.h"

namespace quillon::serial::network {

// A COM-PORT command as last sent, with the outcome it had: the same value is not sent again,
// and a setting that asks for it again gets the same outcome (each setting goes once).
struct sent_command {
    std::uint32_t value = 0;
    backend::setting_outcome outcome;
};

struct connection {
    socket_id socket = no_socket;
    scheme kind = scheme::tcp;
    line_state kept;
    queue_sizes queues;
    // rfc2217:// only.
    telnet::negotiation options;
    telnet::reader reader;
    std::vector<telnet::event> events;  // reused for every piece read
    std::string answers;                // negotiation answers not yet sent, at most answers_cap
    std::deque<telnet::event> replies;  // replies not yet awaited, at most pending_replies_cap
    std::string wire;                   // reused for encoded data
    bool binary = true;                 // our direction is in BINARY mode
    bool server_silent = false;         // a reply did not come in time: none is awaited again
    bool suspended = false;             // the server asked for no data (FLOWCONTROL-SUSPEND)
    bool flooded = false;               // a cap was passed
    // The last of each COM-PORT command sent: SET-BAUDRATE to SET-STOPSIZE, then SET-CONTROL
    // for each of its five groups of values.
    std::array<std::optional<sent_command>, 9> sent{};
    // The open's one deadline: connect, negotiation and every setting until the first write
    // share it. Past it nothing more is sent and every setting is refused at once.
    std::int64_t open_deadline = 0;
    bool opening = true;
    // Either kind.
    std::int64_t settled_at = 0;  // when our end may go: settle_ms after connect or last write
    bool peer_closed = false;     // the far end has ended its side
    bool broken = false;          // a send failed or ran out of time: no orderly close
    bool wrote = false;           // data was written: only then does the close wait
};

namespace {

using telnet::set_control;

std::int64_t now() { return sockets().now_ms(); }

int left_ms(std::int64_t deadline) {
    const std::int64_t left = deadline - now();
    if (left <= 0) return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// A socket closed on every path of connect that does not hand it on.
class unique_socket {
  public:
    explicit unique_socket(socket_id s) noexcept : socket_(s) {}
    ~unique_socket() {
        if (socket_ != no_socket) static_cast<void>(sockets().close(socket_));
    }
    unique_socket(const unique_socket&) = delete;
    unique_socket& operator=(const unique_socket&) = delete;
    socket_id get() const noexcept { return socket_; }
    socket_id release() noexcept { return std::exchange(socket_, no_socket); }

  private:
    socket_id socket_;
};

// Keeps one thing the server said, within the caps: the too-much-input code past one.
int keep_event(connection& c, telnet::event& e) {
    if (e.what == telnet::event::type::negotiation) {
        c.answers += c.options.answer(e.verb, e.option);
        return c.answers.size() > answers_cap ? codes().too_much_input : 0;
    }
    if (e.command == telnet::flowcontrol_suspend || e.command == telnet::flowcontrol_resume) {
        c.suspended = e.command == telnet::flowcontrol_suspend;
    } else if (e.command > telnet::server_reply_offset &&
               e.command <= telnet::server_reply_offset + set_control) {
        // Replies to our SET commands; notifications of line and modem state (106, 107) and
        // the rest are of no interest to a sender.
        if (c.replies.size() >= pending_replies_cap) return codes().too_much_input;
        c.replies.push_back(std::move(e));
    }
    return 0;
}

// Everything that has arrived. Serial data from the far end is dropped (the library never
// reads a port); for rfc2217:// the telnet stream is read for negotiation and replies, and the
// answers are kept for the next moment nothing else is half-sent. Past a cap the connection
// is broken: whatever the server sends, it cannot make us keep more.
int take_input(connection& c) {
    if (c.flooded) return codes().too_much_input;
    char buffer[4096];
    // Bounded per call, so that a far end that never stops talking cannot hold us here.
    for (int round = 0; round < 64; ++round) {
        std::size_t got = 0;
        const int native = sockets().receive(c.socket, buffer, sizeof buffer, got);
        if (native == codes().would_block) return 0;
        if (native == codes().interrupted) continue;
        if (native != 0) return native;
        if (got == 0) {
            c.peer_closed = true;
            return 0;
        }
        if (c.kind != scheme::rfc2217) continue;
        c.events.clear();
        c.reader.feed({buffer, got}, c.events);
        bool flooded = c.reader.overflowed();
        for (std::size_t i = 0; i < c.events.size() && !flooded; ++i) {
            flooded = keep_event(c, c.events[i]) != 0;
        }
        if (flooded) {
            c.flooded = c.broken = true;  // for good: every later step fails at once
            return codes().too_much_input;
        }
    }
    return 0;
}

// Waits until the socket can take more (writing) or something arrives, taking any input; the
// time-out code once the deadline has passed.
int wait_for(connection& c, bool writing, std::int64_t deadline) {
    const int left = left_ms(deadline);
    if (left <= 0) return codes().timed_out;
    readiness ready;
    const int native = sockets().wait(c.socket, !c.peer_closed, writing, left, ready);
    if (native == codes().interrupted) return 0;
    if (native != 0) return native;
    if (ready.readable || (ready.failed && !c.peer_closed)) return take_input(c);
    return 0;
}

// Every byte of wire handed to the socket, or a failure, by the deadline. Data waits while the
// server has suspended it (RFC 2217 FLOWCONTROL-SUSPEND); commands never do.
int send_wire(connection& c, std::string_view wire, std::int64_t deadline, bool data = false) {
    std::size_t done = 0;
    while (done < wire.size()) {
        if (data && c.suspended) {
            if (const int waited = wait_for(c, false, deadline); waited != 0) {
                c.broken = true;
                return waited;
            }
            if (c.peer_closed) return codes().reset;
            continue;
        }
        std::size_t sent = 0;
        const int native = sockets().send(c.socket, wire.data() + done, wire.size() - done, sent);
        if (native == 0 && sent > 0) {
            done += sent;
            continue;
        }
        if (native == codes().interrupted) continue;
        if (native != 0 && native != codes().would_block) {
            c.broken = true;
            return native;
        }
        if (const int waited = wait_for(c, true, deadline); waited != 0) {
            c.broken = true;
            return waited;
        }
    }
    return 0;
}

int send_answers(connection& c, std::int64_t deadline) {
    if (c.answers.empty()) return 0;
    const std::string out = std::exchange(c.answers, {});
    return send_wire(c, out, deadline);
}

// One COM-PORT command: its number and value bytes.
struct wire_command {
    unsigned char command = 0;
    std::array<unsigned char, 4> value{};
    std::size_t length = 1;
};

// The groups of SET-CONTROL values (RFC 2217): outbound flow (0-3, 17, 19), break (4-6), DTR
// (7-9), RTS (10-12), inbound flow (13-16, 18). The server's answer carries a value of the
// group asked about, so a late answer to another group is not taken for it.
int control_group(unsigned char value) {
    if (value <= 3 || value == 17 || value == 19) return 0;
    if (value <= 6) return 1;
    if (value <= 9) return 2;
    if (value <= 12) return 3;
    return 4;
}

bool answers(const telnet::event& e, const wire_command& w) {
    if (e.command != telnet::server_reply_offset + w.command) return false;
    return w.command != set_control ||
           (!e.value.empty() && control_group(e.value[0]) == control_group(w.value[0]));
}

// The server's reply to w (its command + 100), within the deadline. Replies come in the order
// of the commands; one that answers no command awaited now (a late one, or one to a DTR or RTS
// command that was not awaited) is dropped on the way.
int await_reply(connection& c, const wire_command& w, std::int64_t deadline,
                std::vector<unsigned char>& value) {
    for (;;) {
        while (!c.replies.empty()) {
            telnet::event e = std::move(c.replies.front());
            c.replies.pop_front();
            if (answers(e, w)) {
                value = std::move(e.value);
                return 0;
            }
        }
        if (c.peer_closed) return codes().reset;
        if (const int native = send_answers(c, deadline); native != 0) return native;
        if (const int native = wait_for(c, false, deadline); native != 0) return native;
    }
}

int await_connected(socket_id s, std::int64_t deadline) {
    for (;;) {
        const int left = left_ms(deadline);
        if (left <= 0) return codes().timed_out;
        readiness ready;
        const int native = sockets().wait(s, false, true, left, ready);
        if (native == codes().interrupted) continue;
        if (native != 0) return native;
        if (ready.writable || ready.failed) return sockets().connect_outcome(s);
    }
}

// rfc2217://: the server must agree to COM-PORT-OPTION before any setting can be sent, within
// answer_bound_ms and within what is left of the open's own bound.
int negotiate(connection& c, std::int64_t open_deadline) {
    const std::int64_t deadline = std::min(open_deadline, now() + answer_bound_ms);
    if (const int native = send_wire(c, c.options.opening(), deadline); native != 0) {
        return native;
    }
    while (!c.options.settled(telnet::com_port_option) || !c.options.settled(telnet::binary)) {
        if (c.peer_closed) return codes().reset;
        if (const int native = send_answers(c, deadline); native != 0) return native;
        const int native = wait_for(c, false, deadline);
        if (native == codes().timed_out) break;
        if (native != 0) return native;
    }
    if (const int native = send_answers(c, deadline); native != 0) return native;
    // Silence is as good as a refusal: a raw TCP port, for one, never answers.
    if (!c.options.we_do(telnet::com_port_option)) return codes().no_protocol;
    c.binary = c.options.we_do(telnet::binary);
    return 0;
}

wire_command control(unsigned char code) { return {set_control, {code}, 1}; }

// SET-CONTROL values (RFC 2217).
constexpr unsigned char break_off = 6;
constexpr unsigned char dtr_on = 8;
constexpr unsigned char dtr_off = 9;
constexpr unsigned char rts_on = 11;
constexpr unsigned char rts_off = 12;

bool is_modem_line(const wire_command& w) {
    return w.command == set_control && (w.value[0] == dtr_on || w.value[0] == dtr_off ||
                                        w.value[0] == rts_on || w.value[0] == rts_off);
}

// The outbound flow control of a state, as one SET-CONTROL value (1 none, 2 XON/XOFF,
// 3 hardware, 19 DSR); 0 when the state asks for more than one, which RFC 2217 cannot say.
unsigned char outbound_flow(const line_state& s) {
    const int count = int{s.cts_output_flow} + int{s.xon_xoff_output} + int{s.dsr_output_flow};
    if (count > 1) return 0;
    if (s.cts_output_flow) return 3;
    if (s.xon_xoff_output) return 2;
    if (s.dsr_output_flow) return 19;
    return 1;
}

// The inbound flow control (14 none, 15 XON/XOFF, 16 hardware, 18 DTR); 0 for more than one.
unsigned char inbound_flow(const line_state& s) {
    const bool rts = s.rts == rts_control::handshake;
    const bool dtr = s.dtr == dtr_control::handshake;
    if (int{s.xon_xoff_input} + int{rts} + int{dtr} > 1) return 0;
    if (s.xon_xoff_input) return 15;
    if (rts) return 16;
    if (dtr) return 18;
    return 14;
}

// The COM-PORT commands for one setting, given the state before and the state it leads to.
// False when the value has no COM-PORT form; no commands when the setting has no COM-PORT
// command at all (it is then only kept).
bool commands_for(line_setting setting, std::int32_t value, const line_state& before,
                  const line_state& wanted, std::vector<wire_command>& out) {
    // Leaving a handshake of DTR or RTS ends that inbound flow control first.
    const auto leave_handshake = [&](bool was_handshake) {
        if (was_handshake) out.push_back(control(inbound_flow(wanted)));
    };
    switch (setting) {
        case line_setting::baud_rate: {
            if (value <= 0) return false;
            const auto v = static_cast<std::uint32_t>(value);
            // Four bytes in network byte order.
            out.push_back(
                {telnet::set_baudrate,
                 {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                  static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)},
                 4});
            return true;
        }
        case line_setting::data_bits:
            if (value < 5 || value > 8) return false;
            // The row brings no parity and one stop bit with it.
            out.push_back({telnet::set_datasize, {static_cast<unsigned char>(value)}, 1});
            out.push_back({telnet::set_parity, {1}, 1});
            out.push_back({telnet::set_stopsize, {1}, 1});
            return true;
        case line_setting::parity_scheme:
            // RFC 2217 counts from 1: NONE, ODD, EVEN, MARK, SPACE.
            if (value < 0 || value > 4) return false;
            out.push_back({telnet::set_parity, {static_cast<unsigned char>(value + 1)}, 1});
            return true;
        case line_setting::stop_bits: {
            // RFC 2217: 1 one, 2 two, 3 one and a half; ours: 0 one, 1 one and a half, 2 two.
            static constexpr std::array<unsigned char, 3> sizes{1, 3, 2};
            if (value < 0 || value > 2) return false;
            out.push_back({telnet::set_stopsize, {sizes[static_cast<std::size_t>(value)]}, 1});
            return true;
        }
        case line_setting::cts_output_flow:
        case line_setting::dsr_output_flow:
        case line_setting::xon_xoff_output: {
            const unsigned char code = outbound_flow(wanted);
            if (code == 0) return false;
            out.push_back(control(code));
            return true;
        }
        case line_setting::xon_xoff_input: {
            const unsigned char code = inbound_flow(wanted);
            if (code == 0) return false;
            out.push_back(control(code));
            return true;
        }
        case line_setting::dtr_handshake:
            if (wanted.dtr == dtr_control::handshake) {
                if (inbound_flow(wanted) == 0) return false;
                out.push_back(control(inbound_flow(wanted)));
                return true;
            }
            leave_handshake(before.dtr == dtr_control::handshake);
            out.push_back(control(dtr_off));
            return true;
        case line_setting::dtr_line:
            leave_handshake(before.dtr == dtr_control::handshake);
            out.push_back(control(wanted.dtr == dtr_control::enable ? dtr_on : dtr_off));
            return true;
        case line_setting::rts_control:
            // RFC 2217 has no RTS toggle (3).
            if (value < 0 || value > 2) return false;
            if (wanted.rts == rts_control::handshake) {
                if (inbound_flow(wanted) == 0) return false;
                out.push_back(control(inbound_flow(wanted)));
                return true;
            }
            leave_handshake(before.rts == rts_control::handshake);
            out.push_back(control(wanted.rts == rts_control::enable ? rts_on : rts_off));
            return true;
        case line_setting::dsr_sensitivity:
        case line_setting::null_stripping:
        case line_setting::parity_checking:
        case line_setting::error_char_replacement:
        case line_setting::receive_queue_size:
        case line_setting::transmit_queue_size:
            return true;
    }
    return true;
}

// A value as a number: the bytes in network order (RFC 2217), at most the first four.
std::uint32_t number_of(std::span<const unsigned char> bytes) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) n = (n << 8) | bytes[i];
    return n;
}

// Which entry of connection::sent a command is: its own, or SET-CONTROL's group.
std::size_t sent_slot(const wire_command& w) {
    if (w.command != set_control) return w.command - telnet::set_baudrate;
    return 4 + static_cast<std::size_t>(control_group(w.value[0]));
}

// Sends one command and waits for its answer, which must carry the value sent. A value the
// command already carried is not sent again: the outcome it had stands.
backend::setting_outcome exchange(connection& c, const wire_command& w) {
    const setting_answer said{w.command, number_of({w.value.data(), w.length}), 0};
    std::optional<sent_command>& last = c.sent[sent_slot(w)];
    if (last && last->value == said.asked) return last->outcome;
    const std::int64_t answer_deadline = now() + answer_bound_ms;
    std::int64_t deadline = answer_deadline;
    if (c.opening) {
        if (left_ms(c.open_deadline) <= 0) return {codes().timed_out, true, said};
        deadline = std::min(deadline, c.open_deadline);
    }
    if (const int native = send_answers(c, deadline); native != 0) return {native, true, {}};
    const std::string frame = telnet::subnegotiation(w.command, {w.value.data(), w.length});
    if (const int native = send_wire(c, frame, deadline); native != 0) return {native, true, {}};
    const auto settle = [&](backend::setting_outcome outcome) {
        last = sent_command{said.asked, outcome};
        return outcome;
    };
    // ser2net (4.3.11) sends no answer at all to a DTR or RTS command when its device has no
    // modem lines (a pseudo-terminal: its TIOCMGET fails with ENOTTY, measured), and a display
    // module reads no modem line: such a command is sent and not awaited. A late answer to it
    // is told apart from the answer to a later SET-CONTROL by its value (control_group).
    if (is_modem_line(w)) return settle({});
    // After one silence a server is taken to be silent: waiting again would only freeze the
    // open once per setting.
    if (c.server_silent) return settle({codes().timed_out, true, said});
    std::vector<unsigned char> answer;
    const int native = await_reply(c, w, deadline, answer);
    // Silent only when its own answer's bound ran out, not the open's.
    if (native == codes().timed_out && deadline == answer_deadline) c.server_silent = true;
    if (native != 0) return settle({native, true, said});
    // The answer is the value now in effect: the read-back.
    if (!std::equal(answer.begin(), answer.end(), w.value.begin(), w.value.begin() + w.length) ||
        answer.size() != w.length) {
        setting_answer otherwise = said;
        otherwise.answered = number_of(answer);
        return settle({codes().answered_otherwise, true, otherwise});
    }
    return settle({});
}

// The answer to a question sent after the data: the server has read every byte before it, and
// ser2net (4.3.11, measured) reads from the network only once its device has taken what it read
// before, so then the bytes are the line's. SET-BAUDRATE with the value 0 asks for the rate
// and changes nothing (RFC 2217). A silent server cannot confirm anything: nothing is awaited.
int confirm_taken(connection& c, std::int64_t deadline) {
    if (c.server_silent) return 0;
    const wire_command question{telnet::set_baudrate, {0, 0, 0, 0}, 4};
    const std::string frame = telnet::subnegotiation(question.command, question.value);
    if (const int native = send_wire(c, frame, deadline); native != 0) return native;
    std::vector<unsigned char> ignored;
    const int native = await_reply(c, question, deadline, ignored);
    if (native != 0) c.broken = true;
    return native;
}

}  // namespace

void connection_deleter::operator()(connection* c) const noexcept {
    // A connection still open when its handle goes is closed at once, without waiting.
    if (c != nullptr && c->socket != no_socket) static_cast<void>(sockets().close(c->socket));
    delete c;
}

connect_outcome connect(const target& where) {
    try {
        std::vector<endpoint> found;
        if (const int native = sockets().resolve(where.host, where.port, found); native != 0) {
            return {nullptr, native};
        }
        const std::int64_t deadline = now() + connect_bound_ms;
        int last = codes().refused;
        // Each address in the resolver's order (a name may have an IPv6 and an IPv4 one),
        // all within one bound.
        for (const endpoint& address : found) {
            socket_id opened = no_socket;
            if (const int native = sockets().open(address, opened); native != 0) {
                last = native;
                continue;
            }
            unique_socket s(opened);
            int native = sockets().connect(s.get(), address);
            if (native == codes().in_progress) native = await_connected(s.get(), deadline);
            if (native != 0) {
                last = native;
                if (native == codes().timed_out) break;
                continue;
            }
            connection_ptr c(new connection);
            c->kind = where.kind;
            c->socket = s.release();
            c->settled_at = now() + settle_ms;
            c->open_deadline = deadline;
            if (where.kind == scheme::rfc2217) {
                if (const int failed = negotiate(*c, deadline); failed != 0) {
                    return {nullptr, failed};
                }
            }
            return {std::move(c), 0};
        }
        return {nullptr, last};
    } catch (const std::bad_alloc&) {
        return {nullptr, codes().no_memory};
    }
}

backend::setting_outcome apply_line_setting(connection& c, line_setting setting,
                                            std::int32_t value) {
    if (c.socket == no_socket) return {codes().not_connected, false};
    if (setting == line_setting::receive_queue_size ||
        setting == line_setting::transmit_queue_size) {
        // Nothing on either kind sizes the far end's queues: the sizes asked for are kept.
        (setting == line_setting::receive_queue_size ? c.queues.receive : c.queues.transmit) =
            static_cast<std::uint32_t>(value);
        return {};
    }
    const line_state wanted = with_setting(c.kept, setting, value);
    if (c.kind == scheme::tcp) {
        // Nothing tells the far end; only a rate the write bound cannot use is refused.
        if (setting == line_setting::baud_rate && value <= 0) return {codes().invalid, true};
        c.kept = wanted;
        return {};
    }
    try {
        std::vector<wire_command> commands;
        if (!commands_for(setting, value, c.kept, wanted, commands)) {
            return {codes().invalid, true, {}};
        }
        for (const wire_command& w : commands) {
            if (const backend::setting_outcome done = exchange(c, w); done.native != 0) {
                return done;
            }
        }
        c.kept = wanted;
        return {};
    } catch (const std::bad_alloc&) {
        return {codes().no_memory, true, {}};
    }
}

line_state kept_state(const connection& c) { return c.kept; }

void clear_break(connection& c) noexcept {
    if (c.kind != scheme::rfc2217 || c.socket == no_socket) return;
    try {
        // ser2net answers BREAK off with the value 5 (BREAK on), measured: the answer is
        // awaited only so that it cannot be taken for the answer to a later SET-CONTROL.
        static_cast<void>(exchange(c, control(break_off)));
    } catch (const std::bad_alloc&) {
    }
}

int write_all(connection& c, std::span<const char> bytes, std::stop_token cancel) {
    if (c.socket == no_socket) return codes().not_connected;
    c.opening = false;  // the open is over: a later setting has its own answer's bound
    if (!bytes.empty()) c.wrote = true;
    try {
        // Shutting our side wakes a wait for room on the socket; the socket stays open (it is
        // closed under the device layer's lock), so the call is safe from the other thread.
        const socket_id s = c.socket;
        const std::stop_callback on_cancel(cancel, [s] { sockets().shutdown_sending(s); });
        if (cancel.stop_requested()) {
            c.broken = true;
            return codes().aborted;
        }
        // The bound of every writer (serial/write_bound.h) at the baud rate kept; before any
        // rate was set, the slowest one's.
        const std::int64_t deadline = now() + write_bound_ms(bytes.size(), c.kept.baud_rate);
        // In pieces, so that doubling 255s never needs a copy of a whole large string; between
        // two pieces nothing is half-sent, so negotiation answers may go out there.
        constexpr std::size_t piece = 16384;
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            const auto part = bytes.subspan(at, std::min(piece, bytes.size() - at));
            std::string_view wire(part.data(), part.size());
            if (c.kind == scheme::rfc2217) {
                if (const int native = send_answers(c, deadline); native != 0) return native;
                c.wire.clear();
                telnet::encode_data(part, c.binary, c.wire);
                wire = c.wire;
            }
            if (const int native = send_wire(c, wire, deadline, true); native != 0) return native;
        }
        if (c.kind == scheme::rfc2217 && !bytes.empty()) {
            if (const int native = send_answers(c, deadline); native != 0) return native;
            if (const int native = confirm_taken(c, deadline); native != 0) return native;
        }
        if (!bytes.empty()) c.settled_at = now() + settle_ms;
        return 0;
    } catch (const std::bad_alloc&) {
        return codes().no_memory;
    }
}

int close(connection& c) {
    if (c.socket == no_socket) return codes().not_connected;
    int failure = 0;
    // Reads until the far end ends its side, within the bound; any reset or error on the way is
    // the failure. Past the bound, nothing more is learnt.
    const auto read_until = [&](std::int64_t deadline) {
        while (!c.peer_closed && failure == 0) {
            const int waited = wait_for(c, false, deadline);
            if (waited == codes().timed_out) return;
            failure = waited;
        }
    };
    // The far device is given settle_ms after the connect and after the last write before our
    // end arrives. ser2net (4.3.11) opens its device only once a client has connected, and
    // throws away what a raw client sent when the client's end arrives before the device is
    // open, closing in order all the same (measured: 4 of 150 tcp:// connections that sent one
    // byte and shut down at once lost it; none of 150 at 10 ms or 30 ms). And at disconnect it
    // flushes its device (TCFLSH TCIOFLUSH) 10 ms after our end, once TIOCOUTQ says the output
    // is gone, which a pseudo-terminal always says: a flush that soon after the last write can
    // drop bytes the kernel has not yet moved to the pty's reader (measured: 34 of 2000 with
    // the flush right after the write, 5 of 500 at 1 ms; a send through ser2net lost its text
    // in 1 of 10 runs of 3 sends on a loaded machine without this wait).
    // A connection that wrote nothing has nothing to hand over: it closes at once, so that an
    // open that failed its settings ends within the open's deadline.
    const bool orderly = !c.broken && c.wrote;
    if (orderly) read_until(c.settled_at);
    if (orderly && failure == 0) {
        // Closing with unread input makes the kernel reset the connection, and a reset may make
        // the far end drop what it has not yet written to its device: read until it ends its
        // side. ser2net (4.3.11, measured) reads our end only after its device has taken every
        // byte before it, and then closes: over tcp:// that close is the only word that the
        // bytes were taken. A reset or error instead says they may not have been. A server
        // that keeps its side open past close_bound_ms tells nothing either way.
        failure = sockets().shutdown_sending(c.socket);
        read_until(now() + close_bound_ms);
    }
    const int native = sockets().close(std::exchange(c.socket, no_socket));
    return failure != 0 ? failure : native;
}

error error_for(int native) noexcept {
    const native_codes& n = codes();
    error e{error_number::platform_failure, native, error_kind::other};
    e.source = error_source::network;
    if (native == 0) return {};
    const bool unknown_host =
        std::find(n.unknown_host.begin(), n.unknown_host.end(), native) != n.unknown_host.end();
    // At an open; a failing setting or write carries its own number (5, 69) instead.
    if (native == n.refused) {
        e.number = error_number::port_not_found;
        e.kind = error_kind::connection_refused;
    } else if (unknown_host) {
        e.number = error_number::port_not_found;
        e.kind = error_kind::host_not_found;
    } else if (native == n.reset || native == n.aborted || native == n.broken_pipe ||
               native == n.not_connected) {
        e.number = error_number::port_not_found;
        e.kind = error_kind::connection_dropped;
    } else if (native == n.timed_out) {
        e.number = error_number::port_not_found;
        e.kind = error_kind::timed_out;
    } else if (native == n.network_unreachable || native == n.host_unreachable) {
        e.number = error_number::port_not_found;
    } else if (native == n.no_protocol) {
        e.number = error_number::not_a_serial_device;
        e.kind = error_kind::no_com_port_option;
    } else if (native == n.too_much_input) {
        e.number = error_number::not_a_serial_device;
        e.kind = error_kind::too_much_input;
    } else if (native == n.answered_otherwise) {
        e.number = error_number::setting_refused;
        e.kind = error_kind::answered_otherwise;
    } else if (native == n.no_memory || native == n.lookup_no_memory) {
        e.number = error_number::out_of_memory;
        e.kind = error_kind::out_of_memory;
    }
    return e;
}

}  // namespace quillon::serial::network
