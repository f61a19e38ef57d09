// Where the ports mapping looks on Windows: the user's and the machine's application data.
#include <cstdlib>
#include <string>

#include "ports/platform.h"

namespace quillon::ports::platform {
namespace {

std::optional<std::string> absolute_from(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || !is_absolute_device_path(value)) return std::nullopt;
    return std::string(value);
}

}  // namespace

std::string default_target(int port) { return "COM" + std::to_string(port); }

std::optional<std::string> user_config_folder() { return absolute_from("APPDATA"); }

std::string system_config_folder() {
    if (auto moved = absolute_from("QUILLON_SYSCONFDIR")) return *moved;
    return absolute_from("PROGRAMDATA").value_or("C:\\ProgramData");
}

// "C:\…", "\\.\COM10" or "\\server\…": a drive or a device namespace.
bool is_absolute_device_path(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
    return path.starts_with("\\\\");
}

// COM1 to COM255 as Windows names them. Only "COM1" to "COM9" open without the device
// namespace, so every one is given it.
std::optional<std::string> native_device(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return std::nullopt;
    }
    int number = 0;
    for (const char digit : name.substr(3)) {
        if (digit < '0' || digit > '9') return std::nullopt;
        number = number * 10 + (digit - '0');
    }
    if (name[3] == '0' || number < 1 || number > 255) return std::nullopt;
    return "\\\\.\\COM" + std::to_string(number);
}

const words& platform_words() {
    static const words texts{
        .user_ports_file = "%APPDATA%\\quillon\\ports.conf",
        .system_ports_file = "%PROGRAMDATA%\\quillon\\ports.conf",
        .default_devices = "the Windows ports COM1 to COM8",
        .example_device = "COM12",
        .device_description = "a Windows port (COM12) or device path (\\\\.\\COM12)",
    };
    return texts;
}

}  // namespace quillon::ports::platform
