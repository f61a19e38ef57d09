// Line settings through the driver's DCB and queue sizes through SetupComm. Each setting is one
// complete exchange here: read, change, write, read back. Nothing is cached between settings.
#include <windows.h>

#include "serial/win32/platform_call.h"
#include "serial/win32/port.h"

namespace quillon::serial::backend {
namespace {

line_state from_dcb(const DCB& dcb) {
    line_state s;
    s.baud_rate = dcb.BaudRate;
    s.byte_size = dcb.ByteSize;
    s.parity = dcb.Parity;
    s.stop_bits = dcb.StopBits;
    s.parity_check = dcb.fParity != 0;
    s.cts_output_flow = dcb.fOutxCtsFlow != 0;
    s.dsr_output_flow = dcb.fOutxDsrFlow != 0;
    s.dsr_sensitivity = dcb.fDsrSensitivity != 0;
    s.dtr = static_cast<dtr_control>(dcb.fDtrControl);
    s.rts = static_cast<rts_control>(dcb.fRtsControl);
    s.null_stripping = dcb.fNull != 0;
    s.error_char_replacement = dcb.fErrorChar != 0;
    s.xon_xoff_input = dcb.fInX != 0;
    s.xon_xoff_output = dcb.fOutX != 0;
    s.tx_continue_on_xoff = dcb.fTXContinueOnXoff != 0;
    s.binary = dcb.fBinary != 0;
    s.abort_on_error = dcb.fAbortOnError != 0;
    s.xon_limit = dcb.XonLim;
    s.xoff_limit = dcb.XoffLim;
    s.xon_char = dcb.XonChar;
    s.xoff_char = dcb.XoffChar;
    s.error_char = dcb.ErrorChar;
    s.eof_char = dcb.EofChar;
    s.event_char = dcb.EvtChar;
    return s;
}

// Writes the state into a DCB the driver filled, so that anything the state does not name
// (reserved fields included) goes back exactly as it came.
void into_dcb(const line_state& s, DCB& dcb) {
    dcb.BaudRate = s.baud_rate;
    dcb.ByteSize = s.byte_size;
    dcb.Parity = s.parity;
    dcb.StopBits = s.stop_bits;
    dcb.fParity = s.parity_check;
    dcb.fOutxCtsFlow = s.cts_output_flow;
    dcb.fOutxDsrFlow = s.dsr_output_flow;
    dcb.fDsrSensitivity = s.dsr_sensitivity;
    dcb.fDtrControl = static_cast<DWORD>(s.dtr);
    dcb.fRtsControl = static_cast<DWORD>(s.rts);
    dcb.fNull = s.null_stripping;
    dcb.fErrorChar = s.error_char_replacement;
    dcb.fInX = s.xon_xoff_input;
    dcb.fOutX = s.xon_xoff_output;
    dcb.fTXContinueOnXoff = s.tx_continue_on_xoff;
    dcb.fBinary = s.binary;
    dcb.fAbortOnError = s.abort_on_error;
    dcb.XonLim = s.xon_limit;
    dcb.XoffLim = s.xoff_limit;
    dcb.XonChar = s.xon_char;
    dcb.XoffChar = s.xoff_char;
    dcb.ErrorChar = s.error_char;
    dcb.EofChar = s.eof_char;
    dcb.EvtChar = s.event_char;
}

int failure_code(const win32::call_result& r) { return r.ok ? 0 : static_cast<int>(r.last_error); }

}  // namespace

setting_outcome apply_line_setting(port& p, line_setting setting, std::int32_t value) {
    if (setting == line_setting::receive_queue_size ||
        setting == line_setting::transmit_queue_size) {
        COMMPROP properties{};
        const auto got =
            win32::quiet_call([&] { return GetCommProperties(p.handle, &properties) != FALSE; });
        if (!got.ok) return {failure_code(got), false};
        queue_sizes sizes{properties.dwCurrentRxQueue, properties.dwCurrentTxQueue};
        (setting == line_setting::receive_queue_size ? sizes.receive : sizes.transmit) =
            static_cast<std::uint32_t>(value);
        const auto set = win32::quiet_call(
            [&] { return SetupComm(p.handle, sizes.receive, sizes.transmit) != FALSE; });
        return {failure_code(set), !set.ok};
    }

    DCB before{};
    before.DCBlength = sizeof before;
    const auto got = win32::quiet_call([&] { return GetCommState(p.handle, &before) != FALSE; });
    if (!got.ok) return {failure_code(got), false};
    const line_state current = from_dcb(before);
    const line_state wanted = with_setting(current, setting, value);
    if (wanted == current) return {};

    // Everything the state does not name (reserved fields included) goes back as it came.
    DCB after = before;
    into_dcb(wanted, after);
    const auto set = win32::quiet_call([&] { return SetCommState(p.handle, &after) != FALSE; });
    if (!set.ok) return {failure_code(set), true};

    // A driver may take the call and keep another value: only the read-back tells.
    DCB check{};
    check.DCBlength = sizeof check;
    const auto reread = win32::quiet_call([&] { return GetCommState(p.handle, &check) != FALSE; });
    if (!reread.ok || !same_for(setting, from_dcb(check), wanted)) {
        static_cast<void>(
            win32::quiet_call([&] { return SetCommState(p.handle, &before) != FALSE; }));
        return {reread.ok ? static_cast<int>(ERROR_INVALID_PARAMETER) : failure_code(reread), true};
    }
    return {};
}

}  // namespace quillon::serial::backend
