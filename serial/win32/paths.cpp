// Where the ports mapping looks on Windows: the user's and the machine's application data.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "serial/port_backend.h"

namespace quillon::serial::backend {
namespace {

std::string from_environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::string(value) : std::string(fallback);
}

}  // namespace

std::string default_target(int port) { return "COM" + std::to_string(port); }

std::string user_config_folder() { return from_environment("APPDATA", "C:\\"); }

std::string system_config_folder() {
    const char* moved = std::getenv("QUILLON_SYSCONFDIR");
    if (moved != nullptr && moved[0] != '\0') return moved;
    return from_environment("PROGRAMDATA", "C:\\ProgramData");
}

// Virtual displays run on POSIX only; a folder that never holds a registration.
std::string runtime_folder() { return from_environment("TEMP", "C:\\"); }

bool process_is_running(long pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// "C:\…", "\\.\COM10" or "\\server\…": a drive or a device namespace.
bool is_absolute_device_path(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
    return path.starts_with("\\\\");
}

}  // namespace quillon::serial::backend
