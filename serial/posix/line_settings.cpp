// Line settings on POSIX: each one a read-modify-write of termios and the modem lines, then a
// read-back; a value termios cannot hold costs no system call, and a change of nothing writes
// nothing. termios holds the speed, byte size, parity, stop bits, parity checking, CTS/RTS
// flow control (CRTSCTS), XON/XOFF in and out and the XON/XOFF characters; DTR and RTS levels
// are set with TIOCMBIS/TIOCMBIC; everything else is kept in the port (see port.h).
#include <sys/ioctl.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <utility>

#include "serial/posix/port.h"
#include "serial/posix/system_calls.h"
#include "serial/termios_speeds.h"

namespace quillon::serial::backend {
namespace {

constexpr std::array<tcflag_t, 4> byte_sizes{CS5, CS6, CS7, CS8};
constexpr tcflag_t cflag_bits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t iflag_bits = INPCK | IXON | IXOFF;

// Fills the termios fields of state from t; the rest comes from what the port keeps.
void read_termios(const port& p, const termios& t, line_state& state) {
    state = p.kept;
    state.baud_rate = termios_rate(cfgetospeed(&t));
    for (std::size_t i = 0; i < byte_sizes.size(); ++i) {
        if ((t.c_cflag & CSIZE) == byte_sizes[i])
            state.byte_size = static_cast<std::uint8_t>(5 + i);
    }
    if ((t.c_cflag & PARENB) == 0) {
        state.parity = 0;
    } else if ((t.c_cflag & CMSPAR) != 0) {
        state.parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
    } else {
        state.parity = (t.c_cflag & PARODD) != 0 ? 1 : 2;
    }
    state.stop_bits = (t.c_cflag & CSTOPB) != 0 ? 2 : 0;
    state.parity_check = (t.c_iflag & INPCK) != 0;
    // CRTSCTS is CTS output flow and RTS handshaking in one bit.
    state.cts_output_flow = (t.c_cflag & CRTSCTS) != 0;
    state.rts = state.cts_output_flow ? rts_control::handshake
                                      : (p.rts_on ? rts_control::enable : rts_control::disable);
    state.dtr = p.dtr_on ? dtr_control::enable : dtr_control::disable;
    state.dsr_output_flow = false;  // Linux has no DSR flow control
    state.xon_xoff_input = (t.c_iflag & IXOFF) != 0;
    state.xon_xoff_output = (t.c_iflag & IXON) != 0;
    state.xon_char = static_cast<char>(t.c_cc[VSTART]);
    state.xoff_char = static_cast<char>(t.c_cc[VSTOP]);
}

// Builds the termios for wanted on top of t, the driver's current state. False when the
// driver has no way to express a value (it is refused without asking the driver).
bool write_termios(const line_state& current, const line_state& wanted, termios& t) {
    if (wanted.byte_size < 5 || wanted.byte_size > 8) return false;
    if (wanted.parity > 4 || (wanted.stop_bits != 0 && wanted.stop_bits != 2)) return false;
    if (wanted.dsr_output_flow || wanted.dtr == dtr_control::handshake ||
        wanted.rts == rts_control::toggle) {
        return false;
    }
    // The speed is touched only when this setting changes it, so that a port left at a speed
    // this table does not know can still take its other settings.
    if (wanted.baud_rate != current.baud_rate) {
        const std::optional<speed_t> speed = termios_speed(wanted.baud_rate);
        if (!speed || cfsetospeed(&t, *speed) != 0 || cfsetispeed(&t, *speed) != 0) return false;
    }

    tcflag_t c = t.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    c |= byte_sizes[wanted.byte_size - 5];
    static constexpr std::array<tcflag_t, 5> parity_bits{0, PARENB | PARODD, PARENB,
                                                         PARENB | CMSPAR | PARODD, PARENB | CMSPAR};
    c |= parity_bits[wanted.parity];
    if (wanted.stop_bits == 2) c |= CSTOPB;
    // One bit for two fields: it follows whichever of them this setting changed.
    bool crtscts = (t.c_cflag & CRTSCTS) != 0;
    if (wanted.cts_output_flow != current.cts_output_flow) {
        crtscts = wanted.cts_output_flow;
    } else if ((wanted.rts == rts_control::handshake) != (current.rts == rts_control::handshake)) {
        crtscts = wanted.rts == rts_control::handshake;
    }
    c = crtscts ? (c | CRTSCTS) : (c & ~static_cast<tcflag_t>(CRTSCTS));
    t.c_cflag = c;

    tcflag_t i = t.c_iflag & ~iflag_bits;
    if (wanted.parity_check) i |= INPCK;
    if (wanted.xon_xoff_input) i |= IXOFF;
    if (wanted.xon_xoff_output) i |= IXON;
    t.c_iflag = i;
    t.c_cc[VSTART] = static_cast<cc_t>(wanted.xon_char);
    t.c_cc[VSTOP] = static_cast<cc_t>(wanted.xoff_char);
    return true;
}

bool same_settings(const termios& a, const termios& b) {
    return cfgetospeed(&a) == cfgetospeed(&b) &&
           (a.c_cflag & cflag_bits) == (b.c_cflag & cflag_bits) &&
           (a.c_iflag & iflag_bits) == (b.c_iflag & iflag_bits) &&
           a.c_cc[VSTART] == b.c_cc[VSTART] && a.c_cc[VSTOP] == b.c_cc[VSTOP];
}

// Sets or clears one modem line when its level changes. On a pseudo-terminal TIOCMBIS and
// TIOCMBIC fail with ENOTTY: the setting is then refused like any other.
int set_modem_line(port& p, int line, bool on, bool& level) {
    if (on == level) return 0;
    if (!p.modem_lines) return ENOTTY;
    int bits = line;
    if (posix::syscalls().ioctl(p.fd, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) return errno;
    level = on;
    return 0;
}

// Values no Linux driver can hold are refused before any system call.
bool expressible(line_setting setting, std::int32_t value) {
    switch (setting) {
        case line_setting::baud_rate:
            return value > 0 && termios_speed(static_cast<std::uint32_t>(value)).has_value();
        case line_setting::data_bits:
            return value >= 5 && value <= 8;
        case line_setting::parity_scheme:
            return value >= 0 && value <= 4;
        case line_setting::stop_bits:
            return value == 0 || value == 2;  // 1.5 stop bits have no termios flag
        case line_setting::dtr_handshake:
            return value == 0;  // no DTR handshaking on Linux
        case line_setting::rts_control:
            return value >= 0 && value <= 2;  // no RTS toggle on Linux
        default:
            return true;
    }
}

}  // namespace

std::uint32_t output_rate(const termios& t) { return termios_rate(cfgetospeed(&t)); }

setting_outcome apply_line_setting(port& p, line_setting setting, std::int32_t value) {
    const auto& sys = posix::syscalls();
    // Settings termios has no place for live in the port: no system call at all.
    switch (setting) {
        case line_setting::receive_queue_size:
            p.queues.receive = static_cast<std::uint32_t>(value);
            return {};
        case line_setting::transmit_queue_size:
            p.queues.transmit = static_cast<std::uint32_t>(value);
            return {};
        case line_setting::dsr_sensitivity:
        case line_setting::null_stripping:
        case line_setting::error_char_replacement:
            p.kept = with_setting(p.kept, setting, value);
            return {};
        case line_setting::dsr_output_flow:
            // Linux has no DSR flow control: off is how it always is, on cannot be had.
            return value == 0 ? setting_outcome{} : setting_outcome{EINVAL, true};
        default:
            break;
    }
    if (!expressible(setting, value)) return {EINVAL, true};
    if (setting == line_setting::dtr_line || setting == line_setting::dtr_handshake) {
        // The DTR level is no termios field: only the modem-line call, when it changes.
        if (int native = set_modem_line(p, TIOCM_DTR,
                                        value != 0 && setting == line_setting::dtr_line, p.dtr_on);
            native != 0) {
            return {native, true};
        }
        return {};
    }

    const termios before = p.terminal;
    line_state current;
    read_termios(p, before, current);
    const line_state wanted = with_setting(current, setting, value);

    termios after = before;
    if (!write_termios(current, wanted, after)) return {EINVAL, true};
    const bool termios_changes = !same_settings(before, after);
    if (termios_changes) {
        if (sys.tcsetattr(p.fd, TCSANOW, &after) != 0) return {errno, true};
        // tcsetattr succeeds when any part of the change was taken: only the read-back tells.
        termios check{};
        const bool read = sys.tcgetattr(p.fd, &check) == 0;
        if (!read || !same_settings(check, after)) {
            const int native = read ? EINVAL : errno;
            static_cast<void>(sys.tcsetattr(p.fd, TCSANOW, &before));
            return {native, true};
        }
        p.terminal = check;
    }

    int native = 0;
    if (wanted.dtr != current.dtr) {
        native = set_modem_line(p, TIOCM_DTR, wanted.dtr == dtr_control::enable, p.dtr_on);
    }
    if (native == 0 && wanted.rts != current.rts && wanted.rts != rts_control::handshake) {
        native = set_modem_line(p, TIOCM_RTS, wanted.rts == rts_control::enable, p.rts_on);
    }
    if (native != 0) {
        if (termios_changes && sys.tcsetattr(p.fd, TCSANOW, &before) == 0) p.terminal = before;
        return {native, true};
    }
    p.kept = wanted;
    return {};
}

}  // namespace quillon::serial::backend
