// What a program tells its user about a port: one line per failure, in the same words from
// every face (quillon-send prints them, the window shows them in a message box, the bridge logs
// them and publishes them on a display's error topic), and the line of a port listing. No face
// words a failure of its own, and none shows the library's error numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ports/port_control.h"
#include "serial/errors.h"

namespace quillon::ports {

// What was opened, for messages: "COM2 (/dev/ttyUSB0)" or a device path alone.
struct target {
    int port = 0;  // 0 when a device path was given
    std::string device_path;
    std::optional<port_mapping> mapping;  // where a COM port's device came from
};

std::string describe_target(const target& t);

// What an open by device name (a COM port name, a path or a network target) was for, from what
// the open found: the port, the resolved path and where the mapping came from.
target target_of(std::string_view device_name, const open_result& opened);

// Why the open failed, on one line, with what the user can do about it. owner_group is the
// group that owns the device, when known: the dialout advice is given only where it helps. A
// port in use names the program that holds it when the system tells ("is in use by
// quillon-bridge (pid 4211)"), and says "another program" when it does not.
std::string open_failure_message(const target& t, const serial::error& e,
                                 const std::string& owner_group = {});

// The same for an open's result, the device's owning group looked up where a permission was
// refused: the one call a face that opened a port by name needs.
std::string open_failure_message(std::string_view device_name, const open_result& opened);

std::string write_failure_message(const target& t, const serial::error& e);

// A line setting of a network target that the server did not take, naming the setting and
// both values: "rfc2217://pi:2217: the server set the baud rate to 115200, not 2400".
std::string setting_failure_message(const target& t, const serial::error& e);
bool is_network_target(const target& t);

// The message for the latest failure of this process's port control (last_failure), with the
// device's owning group looked up for a refused permission; empty when nothing failed.
std::string last_failure_message();

// One line per port: its name, target, where the mapping came from, and its state.
std::string port_list_line(int port, const probe_result& probe);

// Where a mapping came from, in a few words: "environment", "FILE:LINE", "default", ...
std::string describe_source(const port_mapping& m);

}  // namespace quillon::ports
