// Where the ports mapping looks on POSIX: the XDG base directories and /etc.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "serial/port_backend.h"

namespace quillon::serial::backend {
namespace {

std::string from_environment(const char* name, std::string fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

}  // namespace

std::string default_target(int port) { return "/dev/ttyS" + std::to_string(port - 1); }

std::string user_config_folder() {
    const char* home = std::getenv("HOME");
    return from_environment("XDG_CONFIG_HOME",
                            std::string(home != nullptr ? home : "") + "/.config");
}

// QUILLON_SYSCONFDIR moves it for a relocated install, and for tests.
std::string system_config_folder() { return from_environment("QUILLON_SYSCONFDIR", "/etc"); }

std::string runtime_folder() {
    return from_environment("XDG_RUNTIME_DIR", "/tmp/quillon-" + std::to_string(getuid()));
}

bool process_is_running(long pid) {
    if (pid <= 0) return false;
    // EPERM: it runs, under another user.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool is_absolute_device_path(std::string_view path) { return path.starts_with('/'); }

}  // namespace quillon::serial::backend
