// The line state of a port as the device layer sees it, in the terms of the port table's
// line settings. A backend translates it to and from whatever its driver understands.
#pragma once

#include <cstdint>

namespace quillon::serial {

// The settings in the order the port is configured after an open.
enum class line_setting : std::uint8_t {
    baud_rate,
    data_bits,  // with it: one stop bit, no parity, no parity checking
    cts_output_flow,
    dsr_output_flow,
    dsr_sensitivity,
    dtr_handshake,
    dtr_line,
    null_stripping,
    parity_checking,
    error_char_replacement,
    parity_scheme,
    rts_control,
    receive_queue_size,
    stop_bits,
    transmit_queue_size,
    xon_xoff_input,
    xon_xoff_output,
};
inline constexpr int line_setting_count = 17;

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

// The state with one setting changed as the setting's row says: a flag counts as set when the
// value is not 0; data bits bring one stop bit and no parity with them; either XON/XOFF
// setting clears TX-continue-on-XOFF. The queue sizes are not part of the state: unchanged.
line_state with_setting(line_state state, line_setting setting, std::int32_t value);

// Whether two states agree on the fields that the setting changes.
bool same_for(line_setting setting, const line_state& a, const line_state& b);

}  // namespace quillon::serial
