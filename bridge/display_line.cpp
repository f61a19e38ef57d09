#include "bridge/display_line.h"

#include "serial/device_layer.h"

namespace quillon::bridge {
namespace {

std::string reason(const serial::error& e) {
    std::string text;
    switch (e.kind) {
        case serial::error_kind::not_found:
            text = "no such device";
            break;
        case serial::error_kind::in_use:
            text = "another program holds it";
            break;
        case serial::error_kind::permission_denied:
            text = "permission denied";
            break;
        case serial::error_kind::not_a_serial_device:
            text = "not a serial device";
            break;
        case serial::error_kind::timed_out:
            text = "the line took nothing in time";
            break;
        case serial::error_kind::connection_refused:
            text = "connection refused";
            break;
        case serial::error_kind::host_not_found:
            text = "unknown host";
            break;
        case serial::error_kind::connection_dropped:
            text = "the connection dropped";
            break;
        default:
            text = "error " + std::to_string(static_cast<int>(e.number));
            break;
    }
    if (const std::string detail = serial::describe(e); !detail.empty())
        text += " (" + detail + ")";
    return text;
}

}  // namespace

std::optional<std::string> display_line::open() {
    const ports::open_result opened = port_.open(setting_.port, setting_.baud);
    if (opened.opened) return std::nullopt;
    if (opened.mapping && !opened.mapping->problem.empty()) return opened.mapping->problem;
    std::string where = setting_.port;
    if (!opened.device_path.empty() && opened.device_path != where) {
        where += " (" + opened.device_path + ")";
    }
    return "cannot open " + where + ": " + reason(opened.failure);
}

std::optional<std::string> display_line::ensure_open() {
    if (cancelled()) return "the bridge is stopping";
    return port_.is_open() ? std::nullopt : open();
}

std::optional<std::string> display_line::write(std::string_view bytes) {
    if (cancelled()) return "the bridge is stopping";
    if (recheck_.exchange(false) && port_.is_open() &&
        ports::look_at_device(setting_.port).device_path != port_.device_path()) {
        port_.close();
    }
    if (!port_.is_open()) {
        if (auto failure = open()) return failure;
    }
    const serial::error failed = port_.send(bytes, cancel_.get_token());
    if (!failed) return std::nullopt;
    const std::string where = port_.device_path();
    port_.close();  // opened again at the next message
    return "writing to " + setting_.port + " (" + where + ") failed: " + reason(failed);
}

}  // namespace quillon::bridge
