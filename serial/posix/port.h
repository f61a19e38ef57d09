// The POSIX backend's port: private to serial/posix/, never seen by the device layer.
#pragma once

#include <termios.h>

#include <cstdint>

#include "serial/line_state.h"
#include "serial/port_backend.h"

namespace quillon::serial::backend {

struct port {
    // A terminal in raw mode, flock held, O_NONBLOCK set (writes wait in poll with a bound).
    int fd = -1;
    file_kind kind = file_kind::device;
    // Modem-line levels as last set, from TIOCMGET at open; "on" when the driver cannot tell
    // (a pseudo-terminal has no modem lines), so that turning them off is really attempted.
    bool dtr_on = true;
    bool rts_on = true;
    bool modem_lines = true;  // false when TIOCMGET says the driver has none
    // termios has no place for these fields; they live here and are read back from here:
    // DSR sensitivity, null stripping, error-character replacement, TX-continue-on-XOFF,
    // binary, abort-on-error, the XON/XOFF limits and the error, EOF and event characters.
    line_state kept;
    // No POSIX driver lets a program size its queues: the sizes asked for are kept here.
    queue_sizes queues;
    // The driver's termios as last read: at the open, then after each change read back. Only
    // this process changes it while it holds the port, so one read per change is enough: an
    // open-configure-send cycle asked for the same state nine times in a row before.
    termios terminal{};
};

// The output speed of a termios in bits per second; 0 when it is not a known rate.
std::uint32_t output_rate(const termios& t);

}  // namespace quillon::serial::backend
