// What quillon-send tells its user: one line per failure, the help text, the port list.
#pragma once

#include <string>

#include "serial/errors.h"
#include "serial/port_control.h"

namespace quillon::cli {

// What was opened, for messages: "COM2 (/dev/ttyUSB0)" or a device path alone.
struct target {
    int port = 0;  // 0 when a device path was given
    std::string device_path;
};

std::string describe_target(const target& t);

// Why the open failed, on one line, with what the user can do about it. owner_group is the
// group that owns the device, when known: the dialout advice is given only where it helps.
std::string open_failure_message(const target& t, const serial::error& e,
                                 const std::string& owner_group = {});

std::string write_failure_message(const target& t, const serial::error& e);

// One line per port: its name, device path and state.
std::string port_list_line(int port, const serial::probe_result& probe);

std::string help_text();

}  // namespace quillon::cli
