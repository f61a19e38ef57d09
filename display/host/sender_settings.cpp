#include "display/host/sender_settings.h"

namespace quillon::display {

std::string describe(const sender_settings& line) {
    std::string text = line.baud > 0 ? std::to_string(line.baud) : std::string("unknown speed");
    text += " " + std::to_string(line.data_bits) + line.parity + std::to_string(line.stop_bits);
    if (line.rts_cts) text += " RTS/CTS";
    if (line.xon_xoff) text += " XON/XOFF";
    return text;
}

std::string sender_status(bool heard_a_sender, const sender_settings& line, long display_baud) {
    if (!heard_a_sender) return "waiting for a sender";
    std::string text = "sender: " + describe(line);
    if (line.baud != display_baud) {
        text += " (the display listens at " + std::to_string(display_baud) +
                " baud: a real module would show garbage)";
    }
    return text;
}

}  // namespace quillon::display
