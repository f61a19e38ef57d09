#include "serial/port_control.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "serial/network/sockets.h"
#include "serial/network/target.h"
#include "serial/port_backend.h"
#include "serial/version.h"

namespace quillon::serial {
namespace {

// Only its low 16 bits name a record; 0 names none. Atomic so that a careless second thread
// cannot tear it; the library's callers use it from one thread.
std::atomic<std::int32_t> current_number{0};

struct step {
    line_setting setting;
    std::int32_t value;  // -1 stands for the baud rate asked for
};

constexpr std::array<step, line_setting_count> configuration{{
    {line_setting::baud_rate, -1},
    {line_setting::data_bits, 8},
    {line_setting::cts_output_flow, 0},
    {line_setting::dsr_output_flow, 0},
    {line_setting::dsr_sensitivity, 0},
    {line_setting::dtr_handshake, 0},
    {line_setting::dtr_line, 0},
    {line_setting::null_stripping, 0},
    {line_setting::parity_checking, 0},
    {line_setting::error_char_replacement, 0},
    {line_setting::parity_scheme, 0},
    {line_setting::rts_control, 0},
    {line_setting::receive_queue_size, 1024},
    {line_setting::stop_bits, 0},
    {line_setting::transmit_queue_size, 1024},
    {line_setting::xon_xoff_input, 0},
    {line_setting::xon_xoff_output, 0},
}};

// The open held over from an earlier SER_OPEN without SER_CLOSE would otherwise stay open,
// unreachable, holding the port exclusively until the process ends.
void close_leftover() { close_current(); }

void start_open() {
    close_leftover();
    current_number.store(allocate_record_number());
}

open_result refused(std::string device_path) {
    open_result result;
    result.arguments_refused = true;
    result.device_path = std::move(device_path);
    return result;
}

bool known_rate(int baud) {
    return std::find(baud_rates.begin(), baud_rates.end(), baud) != baud_rates.end();
}

// What a device name opens: a COM port name goes through the ports mapping, anything else is
// taken as it is.
struct resolved_name {
    std::string target;
    std::optional<port_mapping> mapping;
};

resolved_name resolve(std::string_view device_name) {
    if (const int port = com_port_number(device_name); port != 0) {
        port_mapping m = resolve_port(port);
        return {m.target, std::move(m)};
    }
    return {std::string(device_name), std::nullopt};
}

error unusable_mapping() { return {error_number::bad_device_name, 0, error_kind::bad_mapping}; }

// What a probe starts from: the resolved name, and the failure already when its mapping is bad.
probe_result resolved_for_probe(std::string_view device_name) {
    probe_result result;
    resolved_name name = resolve(device_name);
    result.device_path = std::move(name.target);
    result.mapping = std::move(name.mapping);
    if (result.mapping && !result.mapping->problem.empty()) result.failure = unusable_mapping();
    return result;
}

open_result open_and_configure(std::string_view device_name, int baud) {
    open_result result;
    resolved_name name = resolve(device_name);
    result.device_path = name.target;
    result.mapping = std::move(name.mapping);
    if (result.mapping && !result.mapping->problem.empty()) {
        result.failure = unusable_mapping();
        return result;
    }
    const record_number number = current_record();
    error_state errors;
    serial::open_port(errors, result.device_path, number);
    if (error e = errors.take()) {
        result.failure = e;
        return result;
    }
    result.opened = true;
    clear_break(port_handle(errors, number));
    static_cast<void>(errors.take());
    for (std::size_t i = 0; i < configuration.size(); ++i) {
        const step& s = configuration[i];
        apply_line_setting(errors, number, s.setting, s.value < 0 ? baud : s.value);
        result.settings[i] = errors.take();
    }
    return result;
}

}  // namespace

record_number current_record() {
    return static_cast<record_number>(current_number.load() & 0xffff);
}

open_result open_port(int port, int baud) {
    start_open();
    if (port > 8 || port < 1) return refused({});
    std::string device_name = "COM";
    device_name += static_cast<char>('0' + port);
    if (!known_rate(baud)) return refused(resolve_port(port).target);
    return open_and_configure(device_name, baud);
}

open_result open_device(std::string_view device_name, int baud) {
    start_open();
    if (!known_rate(baud)) return refused({});
    return open_and_configure(device_name, baud);
}

error close_current() {
    error_state errors;
    close_port(errors, current_record());
    return errors.take();
}

error send_bytes(std::string_view bytes) {
    error_state errors;
    write_port(errors, current_record(), bytes);
    return errors.take();
}

std::string version_text() {
    std::string text(library_version_prefix);
    text += home_address;
    return text;
}

probe_result look_at_device(std::string_view device_name) {
    probe_result result = resolved_for_probe(device_name);
    if (result.failure) return result;  // a bad mapping is already the answer
    if (network::is_network_path(result.device_path)) {
        // Only a connection tells more, and looking must not connect.
        if (!network::parse_target(result.device_path)) {
            result.failure = {error_number::bad_device_name, 0, error_kind::bad_name};
        }
        return result;
    }
    const backend::device_look look = backend::look_at(result.device_path);
    result.failure = backend::error_for(look.native_error);
    if (look.found != file_type::unknown) {
        result.failure.number = error_number::not_a_serial_device;
        result.failure.kind = error_kind::not_a_serial_device;
        result.failure.found = look.found;
    }
    result.owner_group = look.owner_group;
    return result;
}

probe_result probe_device(std::string_view device_name) {
    probe_result result = resolved_for_probe(device_name);
    if (result.failure) return result;
    // Through the device layer, so that the probe obeys every rule of a real open.
    error_state errors;
    const record_number number = allocate_record_number();
    serial::open_port(errors, result.device_path, number);
    result.failure = errors.take();
    result.opened_to_check = true;
    if (!result.failure) close_port(errors, number);
    return result;
}

std::string describe(const error& e) {
    if (e.native == 0) return {};
    return e.source == error_source::network ? network::describe_native(e.native)
                                             : backend::describe_native_error(e.native);
}

std::string_view describe(file_type found) {
    switch (found) {
        case file_type::regular_file:
            return "a regular file";
        case file_type::directory:
            return "a directory";
        case file_type::fifo:
            return "a FIFO";
        case file_type::socket:
            return "a socket";
        case file_type::block_device:
            return "a block device";
        case file_type::character_device:
            return "a device that is not a terminal";
        case file_type::unknown:
            break;
    }
    return "not a device";
}

}  // namespace quillon::serial
