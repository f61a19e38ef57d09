// Error numbers of the serial library: the small numbers a failing device operation leaves
// with the exported function that called it, each kept beside the native code (errno on
// POSIX) so that a program with a user to talk to can say what really happened.
#pragma once

#include <cstdint>

namespace quillon::serial {

enum class error_number : std::uint8_t {
    none = 0,
    setting_refused = 5,    // the driver did not take a line setting
    out_of_memory = 7,      // no memory for a port record
    no_such_record = 52,    // no open record has the number (or, at open, it is negative)
    port_not_found = 53,    // the device does not exist
    record_in_use = 55,     // an open record already has the number
    bad_device_name = 64,   // the name is empty or holds "*" or "?"
    write_failed = 69,      // the write failed or did not take every byte
    access_denied = 70,     // held by another handle or program, or permission refused
    platform_failure = 57,  // any other native failure; callers only ask "was there one?"
};

struct error {
    error_number number = error_number::none;
    int native = 0;  // errno (POSIX) or the last-error code (Windows); 0 when there is none

    explicit operator bool() const noexcept { return number != error_number::none; }
    friend bool operator==(const error&, const error&) = default;
};

// The error number of one call of an exported function: 0 when the call starts; a failing
// operation stores its error, a succeeding one leaves it as it was; reading clears it.
class error_state {
  public:
    void store(error e) noexcept { current_ = e; }
    [[nodiscard]] error take() noexcept {
        error e = current_;
        current_ = {};
        return e;
    }

  private:
    error current_{};
};

}  // namespace quillon::serial
