// The one narrow interface between the platform-neutral device layer and a platform's serial
// driver. Each backend (serial/posix/, later serial/win32/) defines struct port inside its own
// sources and implements these functions; nothing platform-specific leaks out of it.
//
// Functions that can fail return the native error code (errno on POSIX), 0 on success.
// error_for() is the only place that turns a native code into an error number and kind.
// The device layer serialises the calls on each port under that port's own lock, so a backend needs
// no locking of its own; it keeps no state shared between ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "serial/errors.h"
#include "serial/line_state.h"

namespace quillon::serial::backend {

struct port;

// Releases the memory of a port; it makes no call on the device (a port is closed only by
// close_port, and the library never closes anything at process exit).
struct port_deleter {
    void operator()(port* p) const noexcept;
};
using port_ptr = std::unique_ptr<port, port_deleter>;

enum class file_kind { disk, device };

struct open_outcome {
    port_ptr handle;  // null when the open failed
    int native_error = 0;
    file_type found = file_type::unknown;  // what the path is when it is not a serial device
};

// Opens the device (a resolved path, never a COMn mapping) exclusively for reading and writing, as
// a plain byte stream (no byte is ever translated); never creates a file. Refuses, before anything
// is written, whatever is not a serial device: a regular file, FIFO, socket, directory, block
// device or a character device that is not a terminal. Leaves every line setting as the driver
// holds it.
open_outcome open_exclusive(const std::string& device_name);

// What the device is, found without opening it (opening drops DTR on a real UART and resets
// many USB-attached boards): existence, type and permission from the file system alone.
struct device_look {
    int native_error = 0;
    file_type found = file_type::unknown;
    std::string owner_group;  // the group that owns the device, where the platform has one
};
device_look look_at(const std::string& device_name);

file_kind kind_of(const port& p);

// The outcome of one line setting: applied (native 0); refused, when the platform cannot
// express the value or the driver did not take it (the port then keeps what it had); or the
// driver's state could not be read at all.
struct setting_outcome {
    int native = 0;
    bool refused = false;
    setting_answer answer{};  // network targets only: what was asked and answered
};

// One whole exchange for one line setting, inside the backend: read the driver's state, change
// the setting, write it only when something changes, read it back.
setting_outcome apply_line_setting(port& p, line_setting setting, std::int32_t value);

// Leaves any break state; the driver's answer is of no interest.
void clear_break(port& p) noexcept;

// One synchronous write: returns when the driver has taken every byte, or failed. It is bounded
// by the time the bytes need at the line rate plus two seconds; past that it fails with the
// platform's time-out code, the bytes not yet sent are discarded, and the port should be closed.
// A stop requested on `cancel` (from another thread) ends a write that waits for room at once,
// the same way, with the platform's cancelled code (POSIX; the Windows backend has no caller
// that cancels and waits out its bound).
int write_all(port& p, std::span<const char> bytes, std::stop_token cancel = {});

// Closes the device; the port's memory is released by its deleter. Never retried.
int close_port(port& p);

// The error number and kind for a native code (0 gives no error).
error error_for(int native_error) noexcept;
std::string describe_native_error(int native_error);

}  // namespace quillon::serial::backend
