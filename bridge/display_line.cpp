#include "bridge/display_line.h"

#include "ports/messages.h"
#include "ports/names.h"

namespace quillon::bridge {

// Failures are worded by ports/messages.h, as quillon-send and the window word them.
std::optional<std::string> display_line::open() {
    const ports::open_result opened = port_.open(setting_.port, setting_.baud);
    if (opened.opened) {
        ++opens_;
        return std::nullopt;
    }
    return ports::open_failure_message(setting_.port, opened);
}

std::optional<std::string> display_line::ensure_open() {
    if (cancelled()) return "the bridge is stopping";
    const std::lock_guard lock(mutex_);
    return port_.is_open() ? std::nullopt : open();
}

std::optional<std::string> display_line::write(std::string_view bytes) {
    if (cancelled()) return "the bridge is stopping";
    const std::lock_guard lock(mutex_);
    if (recheck_.exchange(false) && port_.is_open() &&
        ports::look_at_device(setting_.port).device_path != port_.device_path()) {
        port_.close();
    }
    if (!port_.is_open()) {
        if (auto failure = open()) return failure;
    }
    const serial::error failed = port_.send(bytes, cancel_.get_token());
    if (!failed) return std::nullopt;
    const ports::target where{ports::com_port_number(setting_.port), port_.device_path(), {}};
    port_.close();  // opened again at the next message
    return ports::write_failure_message(where, failed);
}

}  // namespace quillon::bridge
