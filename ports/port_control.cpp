#include "ports/port_control.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "ports/names.h"
#include "serial/version.h"

namespace quillon::ports {
namespace {

using serial::error_number;
using serial::error_state;
using serial::line_setting;

// Only its low 16 bits name a record; 0 names none. Atomic so that a careless second thread
// cannot tear it; the library's callers use it from one thread.
std::atomic<std::int32_t> current_number{0};

struct step {
    line_setting setting;
    std::int32_t value;  // -1 stands for the baud rate asked for
};

constexpr std::array<step, serial::line_setting_count> configuration{{
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
    current_number.store(serial::allocate_record_number());
}

open_result refused(std::string device_path) {
    open_result result;
    result.arguments_refused = true;
    result.device_path = std::move(device_path);
    return result;
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

open_result open_and_configure(std::string_view device_name, int baud, record_number number) {
    open_result result;
    resolved_name name = resolve(device_name);
    result.device_path = name.target;
    result.mapping = std::move(name.mapping);
    if (result.mapping && !result.mapping->problem.empty()) {
        result.failure = unusable_mapping();
        return result;
    }
    error_state errors;
    serial::open_port(errors, result.device_path, number);
    if (error e = errors.take()) {
        result.failure = e;
        return result;
    }
    result.opened = true;
    serial::clear_break(serial::port_handle(errors, number));
    static_cast<void>(errors.take());
    for (std::size_t i = 0; i < configuration.size(); ++i) {
        const step& s = configuration[i];
        serial::apply_line_setting(errors, number, s.setting, s.value < 0 ? baud : s.value);
        result.settings[i] = errors.take();
    }
    return result;
}

// The latest failure, under its own lock: the exported functions hold theirs, but quillon-send
// and the window call in directly.
struct failure_memory {
    std::mutex lock;
    failure_record latest;
};
failure_memory& memory() {
    // Never destroyed: a static destructor would race callers still running on other threads.
    static auto* kept = new failure_memory;
    return *kept;
}

void remember(failure_record record) {
    const std::lock_guard held(memory().lock);
    memory().latest = std::move(record);
}

// A successful open is remembered too, without a failure: a later write failure names its port.
open_result remember_open(open_result result, int port, int baud) {
    failure_record record;
    record.failed = result.opened ? failure_record::step::none : failure_record::step::open;
    record.arguments_refused = result.arguments_refused;
    record.port = port;
    record.baud = baud;
    record.device_path = result.device_path;
    record.mapping = result.mapping;
    record.failure = result.failure;
    remember(std::move(record));
    return result;
}

}  // namespace

failure_record last_failure() {
    const std::lock_guard held(memory().lock);
    return memory().latest;
}

record_number current_record() {
    return static_cast<record_number>(current_number.load() & 0xffff);
}

open_result open_port(int port, int baud) {
    start_open();
    if (port > 8 || port < 1) return remember_open(refused({}), port, baud);
    if (!is_baud_rate(baud)) return remember_open(refused(resolve_port(port).target), port, baud);
    return remember_open(open_and_configure(port_name(port), baud, current_record()), port, baud);
}

open_result open_device(std::string_view device_name, int baud) {
    start_open();
    const int port = com_port_number(device_name);
    if (!is_baud_rate(baud)) return remember_open(refused({}), port, baud);
    return remember_open(open_and_configure(device_name, baud, current_record()), port, baud);
}

open_result open_device_as(record_number number, std::string_view device_name, int baud) {
    if (!is_baud_rate(baud)) return refused({});
    return open_and_configure(device_name, baud, number);
}

error send_bytes_to(record_number number, std::string_view bytes, std::stop_token cancel) {
    error_state errors;
    serial::write_port(errors, number, bytes, std::move(cancel));
    return errors.take();
}

void close_record(record_number number) {
    error_state errors;
    serial::close_port(errors, number);
}

error close_current() {
    error_state errors;
    serial::close_port(errors, current_record());
    const error e = errors.take();
    // A network target's close is its last word on the bytes: a reset there means they may not
    // all have arrived, which the caller must learn as it would of a failed write.
    if (e.number == serial::error_number::write_failed) {
        failure_record record = last_failure();
        record.failed = failure_record::step::write;
        record.failure = e;
        remember(std::move(record));
    }
    return e;
}

error send_bytes(std::string_view bytes) {
    error_state errors;
    serial::write_port(errors, current_record(), bytes);
    const error e = errors.take();
    // With no port open nothing was tried: the open's own failure is the one to tell.
    if (e && e.number != serial::error_number::no_such_record) {
        failure_record record = last_failure();
        record.failed = failure_record::step::write;
        record.failure = e;
        remember(std::move(record));
    }
    return e;
}

std::string version_text() {
    std::string text(library_version_prefix);
    text += home_address;
    return text;
}

probe_result look_at_device(std::string_view device_name) {
    probe_result result = resolved_for_probe(device_name);
    if (result.failure) return result;  // a bad mapping is already the answer
    serial::device_look look = serial::look_at_device(result.device_path);
    result.failure = look.failure;
    result.owner_group = std::move(look.owner_group);
    return result;
}

probe_result probe_device(std::string_view device_name) {
    probe_result result = resolved_for_probe(device_name);
    if (result.failure) return result;
    // Through the device layer, so that the probe obeys every rule of a real open.
    error_state errors;
    const record_number number = serial::allocate_record_number();
    serial::open_port(errors, result.device_path, number);
    result.failure = errors.take();
    result.opened_to_check = true;
    if (!result.failure) serial::close_port(errors, number);
    return result;
}

}  // namespace quillon::ports
