// Where COM1 to COM8 point. In this order, the first that names the port wins:
//   1. the environment variable QUILLON_COMn;
//   2. a virtual display running for the port (ports/registration.h);
//   3. the user's ports file, ${XDG_CONFIG_HOME:-~/.config}/quillon/ports.conf
//      (%APPDATA%\quillon\ports.conf on Windows);
//   4. the system's ports file, /etc/quillon/ports.conf (%PROGRAMDATA%\quillon\ports.conf);
//   5. the built-in default: /dev/ttyS<n-1> on Linux, the native COMn on Windows.
// The files are read at every resolution, so a running program picks up an edit.
//
// A target from the environment is checked as a file line is (ports/ports_file.h). A bad line
// or variable for a port makes that port unusable with a message naming where it is; a file
// that cannot be read makes every port it could map unusable. Nothing falls back silently.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "charset/rom.h"
#include "ports/ports_file.h"

namespace quillon::ports {

enum class mapping_source { environment, virtual_display, user_file, system_file, built_in };

struct port_mapping {
    int port = 0;
    std::string target;  // what the port opens; empty when problem is set
    mapping_source source = mapping_source::built_in;
    std::string file;        // the ports file, the registration, or the variable's name
    int line = 0;            // the line in the file, from 1; 0 when the file as a whole is meant
    std::string problem;     // "COM1: FILE:LINE: why" when the mapping cannot be used
    port_settings settings;  // what a ports file line gives beyond the target (none elsewhere)
};

port_mapping resolve_port(int port);

// The ROM a mapping's charset= names; nothing for raw or none (the characters as typed).
std::optional<charset::rom> charset_of(const port_mapping& m);

// Where the two files are. A user with no usable XDG_CONFIG_HOME or HOME has no file of their
// own: an empty or relative variable would name a place that others share.
std::optional<std::string> user_ports_file();
std::string system_ports_file();

// The serial devices present that no COM port maps, each once (a by-id link and the device it
// names count as one): stable /dev/serial/by-id names first, then ttyUSB*, ttyACM*, and the
// ttyS* with a UART behind them. Nothing is opened. root_folder is where / is.
std::vector<std::string> unmapped_serial_devices(const std::string& root_folder = "/");

}  // namespace quillon::ports
