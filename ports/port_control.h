// The port control and send functions as a C++ API: the exported SER_ functions wrap these,
// and programs that can talk to a user (the command-line sender) call them directly to learn
// what went wrong. A COM port name is resolved here, once (ports/resolve.h); the device layer
// below opens resolved targets only. One port at a time, the current port, named by the current
// record number.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "ports/resolve.h"
#include "serial/device_layer.h"
#include "serial/errors.h"

namespace quillon::ports {

using serial::error;
using serial::error_kind;
using serial::record_number;

struct open_result {
    bool opened = false;
    bool arguments_refused = false;       // port outside 1-8 or baud not one of the four rates
    error failure;                        // why the open failed (when it was tried)
    std::string device_path;              // what the device name stood for
    std::optional<port_mapping> mapping;  // where a COM port's device came from
    // The error of each line setting after a successful open, in the order they were made;
    // a refused setting does not make the open fail.
    std::array<error, serial::line_setting_count> settings{};
};

inline constexpr std::array<int, 4> baud_rates{1200, 2400, 4800, 9600};

constexpr bool is_baud_rate(long long baud) {
    for (const int rate : baud_rates) {
        if (rate == baud) return true;
    }
    return false;
}

// SER_OPEN: COM<port> at baud, 8N1, no flow control, DTR and RTS off, queues of 1024 bytes.
// A port still open from an earlier call is closed first.
open_result open_port(int port, int baud);

// The same for any device name: a path, tcp://HOST:PORT, rfc2217://HOST:PORT, or a COM port
// name, which is resolved as open_port resolves it.
open_result open_device(std::string_view device_name, int baud);

// The record number of the current port: 0 before the first open; it names no open record
// after a close or a failed open.
record_number current_record();

// SER_CLOSE: closes the current port if one is open. The error is the close's: for a network
// target a reset or error at close (69), since the bytes may then not have arrived; that one is
// also kept as the latest failure (last_failure), as a failed write would be.
error close_current();

// One write of exactly the bytes to the current port; error 52 when there is none.
error send_bytes(std::string_view bytes);

// The latest failure of open_port, open_device or send_bytes in this process, kept for callers
// that reach the port through the exported functions, whose results carry no reason. An open
// that succeeds clears it; a send with no port open leaves an open's failure in place.
struct failure_record {
    enum class step : std::uint8_t { none, open, write };
    step failed = step::none;
    bool arguments_refused = false;  // the open was refused its port or baud rate
    int port = 0;                    // 0 for a device opened by another name
    int baud = 0;
    std::string device_path;
    std::optional<port_mapping> mapping;
    error failure;
};
failure_record last_failure();

// The same three for a port of the caller's own, apart from the current port, for a program
// that keeps several ports open at once (ports/held_port.h). The caller allocates the record
// number (serial::allocate_record_number) and closes what it opened.
open_result open_device_as(record_number number, std::string_view device_name, int baud);
// A stop requested on `cancel` from another thread ends the send at once (serial::write_port).
error send_bytes_to(record_number number, std::string_view bytes, std::stop_token cancel = {});
void close_record(record_number number);

// "v1.0, 26 May 2000, " and the project's home address.
std::string version_text();

// The path a device name stands for and whether it can be opened now.
struct probe_result {
    std::string device_path;
    std::optional<port_mapping> mapping;
    error failure;
    std::string owner_group;       // the group owning the device (look_at_device, POSIX only)
    bool opened_to_check = false;  // probe_device: the device was opened (a target connected to)
};
// From the file system alone, without opening the device: opening drops DTR on a real UART
// and resets many USB-attached boards. Tells a missing device, a permission refusal and a
// path that is not a serial device; cannot tell a port that another program holds. A network
// target is only checked for its form.
probe_result look_at_device(std::string_view device_name);
// Opens the device and closes it again: also finds a port that another program holds.
probe_result probe_device(std::string_view device_name);

}  // namespace quillon::ports
