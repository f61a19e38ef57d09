// The serial line of one display: opened at its first message and kept open while the bridge
// runs, so DTR does not drop on every message; after a failed write (an unplugged adapter, a
// line that stalled past its bound) it is closed and opened again at the next message.
// Used by its display's connection thread and its screens' thread, one at a time (a mutex of
// its own), but for cancel(), which a stopping thread calls to end the write in progress at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "bridge/settings.h"
#include "ports/held_port.h"

namespace quillon::bridge {

class display_line {
  public:
    explicit display_line(display_setting setting) : setting_(std::move(setting)) {}

    const display_setting& setting() const { return setting_; }
    // Writes exactly the bytes; returns why they were not written, or nothing.
    std::optional<std::string> write(std::string_view bytes);
    // From any thread: the write in progress ends at once, its bytes not yet sent discarded
    // (the device layer's cancel, through ports::held_port), and every later write fails at
    // once. For a stop: the line is not used again.
    void cancel() { cancel_.request_stop(); }
    bool cancelled() const { return cancel_.stop_requested(); }
    // After the ports mapping may have changed (SIGHUP): at the next message the port's target
    // is resolved again and the port reopened only when it now points elsewhere.
    void recheck_mapping() { recheck_ = true; }

    // Opens the port unless it is open; why it could not be, or nothing.
    std::optional<std::string> ensure_open();
    bool is_open() const {
        const std::lock_guard lock(mutex_);
        return port_.is_open();
    }
    // How many times the port has been opened: a module may have been reset by each.
    std::uint64_t opens() const { return opens_; }

  private:
    std::optional<std::string> open();

    display_setting setting_;
    mutable std::mutex mutex_;
    ports::held_port port_;
    std::atomic<std::uint64_t> opens_{0};
    std::atomic<bool> recheck_{false};
    std::stop_source cancel_;
};

}  // namespace quillon::bridge
