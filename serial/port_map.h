// Where COM1 to COM8 point. In this order, the first that names the port wins:
//   1. the environment variable QUILLON_COMn;
//   2. a virtual display running for the port (it registers itself while it runs);
//   3. the user's ports file, ${XDG_CONFIG_HOME:-~/.config}/quillon/ports.conf
//      (%APPDATA%\quillon\ports.conf on Windows);
//   4. the system's ports file, /etc/quillon/ports.conf (%PROGRAMDATA%\quillon\ports.conf);
//   5. the built-in default: /dev/ttyS<n-1> on Linux, the native COMn on Windows.
// The files are read at every resolution, so a running program picks up an edit.
//
// A ports file holds lines "COM1 = TARGET", "#" comments and blank lines. A target is an
// absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT. A bad line for a port makes
// that port unusable with a message naming the file and line; it never falls back silently.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::serial {

enum class mapping_source { environment, virtual_display, user_file, system_file, built_in };

struct port_mapping {
    int port = 0;
    std::string target;  // what the port opens; empty when problem is set
    mapping_source source = mapping_source::built_in;
    std::string file;     // the ports file (file sources) or the registration (virtual display)
    int line = 0;         // the line in the file, from 1
    std::string problem;  // "COM1: FILE:LINE: why" when the mapping cannot be used
};

port_mapping resolve_port(int port);

// "COM1".."COM8" in any case: the port number, else 0.
int com_port_number(std::string_view name);

// Whether a target is an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT;
// otherwise why not.
std::optional<std::string> target_problem(std::string_view target);
bool is_network_target(std::string_view target);

// Where the two files are.
std::string user_ports_file();
std::string system_ports_file();

// One line of a ports file as read.
struct ports_file_entry {
    int line = 0;
    int port = 0;  // 0 on a line that names no port at all
    std::string target;
    std::string problem;  // empty on a good line
};
// The mapping lines of a file's text (comments and blank lines left out).
std::vector<ports_file_entry> parse_ports_file(std::string_view text);

// Sets (target given) or removes (no target) the port's line in the file, keeping every other
// line and comment as it was: a new temporary file beside it, then a rename, so that a reader
// sees the old file or the new one and never half of one. Creates the folder and the file as
// needed. The error text on failure; nullopt on success.
std::optional<std::string> edit_ports_file(const std::string& file, int port,
                                           std::optional<std::string> target);

// The serial devices present that no COM port maps, each once (a by-id link and the device it
// names count as one): stable /dev/serial/by-id names first, then ttyUSB*, ttyACM*, and the
// ttyS* with a UART behind them. Nothing is opened. root_folder is where / is.
std::vector<std::string> unmapped_serial_devices(const std::string& root_folder = "/");

// Where a virtual display registers the pseudo-terminal it serves for a port while it runs.
std::string virtual_display_registration(int port);

}  // namespace quillon::serial
