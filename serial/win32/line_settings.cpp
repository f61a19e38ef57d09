// Line settings through the driver's DCB and queue sizes through SetupComm. Each call is one
// complete exchange; the device layer reads the state, changes one setting and writes it back.
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

int get_line_state(port& p, line_state& out) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const auto got = win32::quiet_call([&] { return GetCommState(p.handle, &dcb) != FALSE; });
    p.has_last_read = got.ok;
    if (got.ok) {
        p.last_read = dcb;
        out = from_dcb(dcb);
    }
    return failure_code(got);
}

int set_line_state(port& p, const line_state& wanted) {
    line_state unused;
    if (!p.has_last_read) {
        if (const int failed = get_line_state(p, unused); failed != 0) return failed;
    }
    DCB dcb = p.last_read;
    p.has_last_read = false;
    into_dcb(wanted, dcb);
    return failure_code(win32::quiet_call([&] { return SetCommState(p.handle, &dcb) != FALSE; }));
}

int get_queue_sizes(port& p, queue_sizes& out) {
    COMMPROP properties{};
    const auto got =
        win32::quiet_call([&] { return GetCommProperties(p.handle, &properties) != FALSE; });
    if (got.ok) out = {properties.dwCurrentRxQueue, properties.dwCurrentTxQueue};
    return failure_code(got);
}

int set_queue_sizes(port& p, queue_sizes wanted) {
    return failure_code(win32::quiet_call(
        [&] { return SetupComm(p.handle, wanted.receive, wanted.transmit) != FALSE; }));
}

}  // namespace quillon::serial::backend
