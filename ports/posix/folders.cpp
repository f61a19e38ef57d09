// Where the ports mapping looks on POSIX: the XDG base directories and /etc.
#include <cstdlib>
#include <string>

#include "ports/platform.h"

namespace quillon::ports::platform {
namespace {

// A variable that names an absolute path; a relative or empty one names no place of the user's.
std::optional<std::string> absolute_from(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::string(value);
}

}  // namespace

std::string default_target(int port) { return "/dev/ttyS" + std::to_string(port - 1); }

std::optional<std::string> user_config_folder() {
    if (auto folder = absolute_from("XDG_CONFIG_HOME")) return folder;
    if (auto home = absolute_from("HOME")) return *home + "/.config";
    return std::nullopt;
}

// QUILLON_SYSCONFDIR moves it for a relocated install, and for tests.
std::string system_config_folder() { return absolute_from("QUILLON_SYSCONFDIR").value_or("/etc"); }

bool is_absolute_device_path(std::string_view path) { return path.starts_with('/'); }

std::optional<std::string> native_device(std::string_view) { return std::nullopt; }

const words& platform_words() {
    static const words texts{
        .user_ports_file = "~/.config/quillon/ports.conf (XDG_CONFIG_HOME)",
        .system_ports_file = "/etc/quillon/ports.conf",
        .default_devices = "/dev/ttyS0 to /dev/ttyS7",
        .example_device = "/dev/ttyUSB0",
        .device_description = "an absolute device path",
    };
    return texts;
}

}  // namespace quillon::ports::platform
