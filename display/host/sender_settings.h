// The line settings a sender chose for the port, as the display finds them on its side of the
// line, and the status line that reports them.
#pragma once

#include <string>

namespace quillon::display {

struct sender_settings {
    long baud = 0;  // 0 when the speed is none of the standard rates
    int data_bits = 8;
    char parity = 'N';  // N, E, O, M (mark) or S (space)
    int stop_bits = 1;
    bool rts_cts = false;
    bool xon_xoff = false;
};

// "9600 8N1", with " RTS/CTS" and " XON/XOFF" when those are on.
std::string describe(const sender_settings& line);

// One line on what a sender did: nothing yet, or its settings, with a warning when its rate is
// not the display's own (a real module would read garbage).
std::string sender_status(bool heard_a_sender, const sender_settings& line, long display_baud);

}  // namespace quillon::display
