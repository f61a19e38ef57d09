// Error numbers of the serial library: the small numbers a failing device operation leaves
// with the exported function that called it. Each is kept beside the native code (errno on
// POSIX, the last-error code on Windows) and the kind of failure, decided once by the backend,
// so that a program with a user to talk to can say what really happened without looking at
// native codes itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::serial {

enum class error_number : std::uint8_t {
    none = 0,
    setting_refused = 5,       // the driver did not take a line setting
    out_of_memory = 7,         // no memory for a port record
    no_such_record = 52,       // no open record has the number (or, at open, it is negative)
    port_not_found = 53,       // the device does not exist
    record_in_use = 55,        // an open record already has the number
    bad_device_name = 64,      // the name is empty, too long, or holds "*" or "?"
    not_a_serial_device = 66,  // a file, FIFO, socket, directory or other non-terminal
    write_failed = 69,         // the write failed, did not take every byte, or ran out of time
    access_denied = 70,        // held by another handle or program, or permission refused
    platform_failure = 57,     // any other native failure; callers only ask "was there one?"
};

// The longest device name the layer takes; a longer one is refused (bad_device_name), never
// shortened: shortened, it could name another file.
inline constexpr std::size_t longest_device_name = 255;

// What went wrong, in the terms a user acts on.
enum class error_kind : std::uint8_t {
    none,
    not_found,            // no such device
    in_use,               // another handle or program holds the port
    permission_denied,    // the user may not open it
    not_a_serial_device,  // see error::found for what the path is instead
    bad_name,             // empty, longer than the layer's limit, or holds "*" or "?"
    bad_mapping,          // the port's line in a ports file, or QUILLON_COMn, cannot be used
    out_of_memory,
    timed_out,  // a write did not finish within the time its bytes need at the line rate, or a
                // network target did not answer within its bound
    // Network targets (tcp://, rfc2217://):
    connection_refused,  // nothing listens on that port of that host
    host_not_found,      // the host name is not known to the resolver
    connection_dropped,  // the far end closed or reset the connection
    no_com_port_option,  // an rfc2217:// target that refused or never answered COM-PORT-OPTION
    answered_otherwise,  // an rfc2217:// server answered a line setting with another value
    too_much_input,      // a server sent more replies or negotiation than a sender keeps
    other,
};

// What a path turned out to be when it is not a serial device.
enum class file_type : std::uint8_t {
    unknown,
    regular_file,
    directory,
    fifo,
    socket,
    block_device,
    character_device,  // a character device that is not a terminal, such as /dev/null
};

// Which part's native codes error::native holds: a network target's codes include the name
// resolver's, which are no errno values.
enum class error_source : std::uint8_t { device, network };

// A line setting of an rfc2217:// target as it went on the wire: the COM-PORT command (RFC
// 2217: 1 baud rate, 2 data size, 3 parity, 4 stop size, 5 control), the value sent and the
// value the server answered with (the one now in effect). command is 0 for any other error.
struct setting_answer {
    std::uint8_t command = 0;
    std::uint32_t asked = 0;
    std::uint32_t answered = 0;
    friend bool operator==(const setting_answer&, const setting_answer&) = default;
};

struct error {
    error_number number = error_number::none;
    int native = 0;  // errno (POSIX) or the last-error code (Windows); 0 when there is none
    error_kind kind = error_kind::none;
    file_type found = file_type::unknown;  // for not_a_serial_device
    error_source source = error_source::device;
    setting_answer answer{};  // for a refused setting of an rfc2217:// target

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
