// The line state of a port as the device layer sees it, in the terms of the port table's
// line settings. A backend translates it to and from whatever its driver understands.
#pragma once

#include <cstdint>

namespace quillon::serial {

enum class dtr_control : std::uint8_t { disable = 0, enable = 1, handshake = 2 };
enum class rts_control : std::uint8_t { disable = 0, enable = 1, handshake = 2, toggle = 3 };

struct line_state {
    // Fields the line settings change.
    std::uint32_t baud_rate = 0;
    std::uint8_t byte_size = 8;
    std::uint8_t parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stop_bits = 0;  // 0 one, 1 one and a half, 2 two
    bool parity_check = false;
    bool cts_output_flow = false;
    bool dsr_output_flow = false;
    bool dsr_sensitivity = false;
    dtr_control dtr = dtr_control::disable;
    rts_control rts = rts_control::disable;
    bool null_stripping = false;
    bool error_char_replacement = false;
    bool xon_xoff_input = false;
    bool xon_xoff_output = false;
    bool tx_continue_on_xoff = false;

    // Fields no setting names; every setting writes them back as the driver reported them.
    bool binary = true;
    bool abort_on_error = false;
    std::uint16_t xon_limit = 0;
    std::uint16_t xoff_limit = 0;
    char xon_char = 0x11;
    char xoff_char = 0x13;
    char error_char = 0;
    char eof_char = 0;
    char event_char = 0;

    friend bool operator==(const line_state&, const line_state&) = default;
};

struct queue_sizes {
    std::uint32_t receive = 0;
    std::uint32_t transmit = 0;
};

}  // namespace quillon::serial
