#include "serial/line_state.h"

namespace quillon::serial {

line_state with_setting(line_state state, line_setting setting, std::int32_t value) {
    const bool flag = value != 0;
    switch (setting) {
        case line_setting::baud_rate:
            state.baud_rate = static_cast<std::uint32_t>(value);
            break;
        case line_setting::data_bits:
            state.byte_size = static_cast<std::uint8_t>(value);
            state.stop_bits = 0;
            state.parity_check = false;
            state.parity = 0;
            break;
        case line_setting::cts_output_flow:
            state.cts_output_flow = flag;
            break;
        case line_setting::dsr_output_flow:
            state.dsr_output_flow = flag;
            break;
        case line_setting::dsr_sensitivity:
            state.dsr_sensitivity = flag;
            break;
        case line_setting::dtr_handshake:
            state.dtr = flag ? dtr_control::handshake : dtr_control::disable;
            break;
        case line_setting::dtr_line:
            state.dtr = flag ? dtr_control::enable : dtr_control::disable;
            break;
        case line_setting::null_stripping:
            state.null_stripping = flag;
            break;
        case line_setting::parity_checking:
            state.parity_check = flag;
            break;
        case line_setting::error_char_replacement:
            state.error_char_replacement = flag;
            break;
        case line_setting::parity_scheme:
            state.parity = static_cast<std::uint8_t>(value);
            break;
        case line_setting::rts_control:
            state.rts = static_cast<rts_control>(static_cast<std::uint8_t>(value));
            break;
        case line_setting::stop_bits:
            state.stop_bits = static_cast<std::uint8_t>(value);
            break;
        case line_setting::xon_xoff_input:
            state.xon_xoff_input = flag;
            state.tx_continue_on_xoff = false;
            break;
        case line_setting::xon_xoff_output:
            state.xon_xoff_output = flag;
            state.tx_continue_on_xoff = false;
            break;
        case line_setting::receive_queue_size:
        case line_setting::transmit_queue_size:
            break;
    }
    return state;
}

bool same_for(line_setting setting, const line_state& a, const line_state& b) {
    switch (setting) {
        case line_setting::baud_rate:
            return a.baud_rate == b.baud_rate;
        case line_setting::data_bits:
            return a.byte_size == b.byte_size && a.stop_bits == b.stop_bits &&
                   a.parity_check == b.parity_check && a.parity == b.parity;
        case line_setting::cts_output_flow:
            return a.cts_output_flow == b.cts_output_flow;
        case line_setting::dsr_output_flow:
            return a.dsr_output_flow == b.dsr_output_flow;
        case line_setting::dsr_sensitivity:
            return a.dsr_sensitivity == b.dsr_sensitivity;
        case line_setting::dtr_handshake:
        case line_setting::dtr_line:
            return a.dtr == b.dtr;
        case line_setting::null_stripping:
            return a.null_stripping == b.null_stripping;
        case line_setting::parity_checking:
            return a.parity_check == b.parity_check;
        case line_setting::error_char_replacement:
            return a.error_char_replacement == b.error_char_replacement;
        case line_setting::parity_scheme:
            return a.parity == b.parity;
        case line_setting::rts_control:
            return a.rts == b.rts;
        case line_setting::stop_bits:
            return a.stop_bits == b.stop_bits;
        case line_setting::xon_xoff_input:
            return a.xon_xoff_input == b.xon_xoff_input;
        case line_setting::xon_xoff_output:
            return a.xon_xoff_output == b.xon_xoff_output;
        case line_setting::receive_queue_size:
        case line_setting::transmit_queue_size:
            return true;
    }
    return true;
}

}  // namespace quillon::serial
