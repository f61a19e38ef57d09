#include "serial/device_layer.h"

#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <variant>

#include "serial/network/connection.h"
#include "serial/network/target.h"
#include "serial/port_backend.h"

namespace quillon::serial {

struct port_record {
    record_number number = 0;
    // A device of the platform's backend, or a connection to a network target when the device
    // path is tcp:// or rfc2217://; nothing once the record has been closed.
    std::variant<std::monostate, backend::port_ptr, network::connection_ptr> device;
    backend::file_kind kind = backend::file_kind::device;
    std::string device_name;
    // Held for every platform call on this record, a blocking write included. One per record,
    // not one for the process: a write that waits on a stalled line holds up no other port.
    std::mutex platform;
};

namespace {

// The operations on whichever the record holds. Each part maps its own native codes.
template <typename... Ts>
struct overloaded : Ts... {
    using Ts::operator()...;
};
// Clang 14 deduces no template arguments for an aggregate without this guide.
template <typename... Ts>
overloaded(Ts...) -> overloaded<Ts...>;

bool holds_device(const port_record& r) {
    return !std::holds_alternative<std::monostate>(r.device);
}

error error_of(const port_record& r, int native) {
    return std::holds_alternative<network::connection_ptr>(r.device) ? network::error_for(native)
                                                                     : backend::error_for(native);
}

backend::setting_outcome apply_to(port_record& r, line_setting setting, std::int32_t value) {
    return std::visit(overloaded{[](std::monostate) { return backend::setting_outcome{}; },
                                 [&](backend::port_ptr& p) {
                                     return backend::apply_line_setting(*p, setting, value);
                                 },
                                 [&](network::connection_ptr& c) {
                                     return network::apply_line_setting(*c, setting, value);
                                 }},
                      r.device);
}

int write_to(port_record& r, std::string_view bytes, const std::stop_token& cancel) {
    return std::visit(
        overloaded{
            [](std::monostate) { return 0; },
            [&](backend::port_ptr& p) { return backend::write_all(*p, bytes, cancel); },
            [&](network::connection_ptr& c) { return network::write_all(*c, bytes, cancel); }},
        r.device);
}

void clear_break_of(port_record& r) {
    std::visit(
        overloaded{[](std::monostate) {}, [](backend::port_ptr& p) { backend::clear_break(*p); },
                   [](network::connection_ptr& c) { network::clear_break(*c); }},
        r.device);
}

// Closes whatever the record holds and leaves it holding nothing.
error close_device(port_record& r) {
    const error failure = std::visit(
        overloaded{[](std::monostate) { return error{}; },
                   [](backend::port_ptr& p) { return backend::error_for(backend::close_port(*p)); },
                   [](network::connection_ptr& c) {
                       // A connection that ends in a reset or error may not have handed every byte
                       // to the far device: that is the write's failure, found late.
                       error e = network::error_for(network::close(*c));
                       if (e) e.number = error_number::write_failed;
                       return e;
                   }},
        r.device);
    r.device = std::monostate{};
    return failure;
}

// The device a name stands for: a connection when its path is a network target, otherwise
// the backend's exclusive open. Stores the error and returns false on failure.
bool open_named_device(error_state& errors, port_record& record) {
    const std::string& path = record.device_name;
    if (network::is_network_path(path)) {
        const std::optional<network::target> where = network::parse_target(path);
        if (!where) {
            errors.store({error_number::bad_device_name, 0, error_kind::bad_name});
            return false;
        }
        network::connect_outcome connected = network::connect(*where);
        if (!connected.link) {
            errors.store(network::error_for(connected.native));
            return false;
        }
        record.device = std::move(connected.link);
        return true;
    }
    backend::open_outcome opened = backend::open_exclusive(record.device_name);
    if (!opened.handle) {
        error e = backend::error_for(opened.native_error);
        if (opened.found != file_type::unknown) {
            e = {error_number::not_a_serial_device, opened.native_error,
                 error_kind::not_a_serial_device, opened.found};
        }
        errors.store(e);
        return false;
    }
    record.kind = backend::kind_of(*opened.handle);
    record.device = std::move(opened.handle);
    return true;
}

// The table and its locks live for the whole process and are never destroyed: the library
// closes nothing at exit, and a static destructor would race callers on other threads.
struct device_table {
    std::mutex allocation_and_open;
    std::mutex table;
    int counter = 0;                                   // guarded by allocation_and_open
    std::map<record_number, port_handle_ptr> records;  // guarded by table
};

device_table& the_table() {
    static auto* table = new device_table;
    return *table;
}

port_handle_ptr find(record_number number) {
    auto& t = the_table();
    std::lock_guard lock(t.table);
    auto it = t.records.find(number);
    return it == t.records.end() ? nullptr : it->second;
}

// A setting the driver did not take keeps its native detail under the number for a refusal.
error refused_setting(const port_record& r, const backend::setting_outcome& outcome) {
    error e = error_of(r, outcome.native);
    e.number = error_number::setting_refused;
    e.answer = outcome.answer;
    return e;
}

}  // namespace

record_number allocate_record_number() {
    auto& t = the_table();
    std::lock_guard lock(t.allocation_and_open);
    // At most one full turn: should every number be open, the open that follows reports 55
    // instead of this loop spinning for ever.
    for (int tries = 0; tries < 32767; ++tries) {
        t.counter = t.counter >= 32767 ? 1 : t.counter + 1;
        if (!is_open(static_cast<record_number>(t.counter))) break;
    }
    return static_cast<record_number>(t.counter);
}

void set_record_counter_for_testing(record_number value) {
    auto& t = the_table();
    std::lock_guard lock(t.allocation_and_open);
    t.counter = value;
}

bool is_open(record_number number) { return find(number) != nullptr; }

void open_port(error_state& errors, std::string_view device_name, record_number number) {
    // The name as the platform sees it: zero-terminated, so it ends at its first zero byte.
    // A longer name than the layer takes is refused: shortened, it could name another file.
    device_name = device_name.substr(0, device_name.find('\0'));
    if (device_name.empty() || device_name.size() > longest_device_name ||
        device_name.find_first_of("*?") != std::string_view::npos) {
        errors.store({error_number::bad_device_name, 0, error_kind::bad_name});
        return;
    }
    if (number < 0) {
        errors.store({error_number::no_such_record, 0, error_kind::other});
        return;
    }

    auto& t = the_table();
    std::lock_guard open_lock(t.allocation_and_open);
    if (is_open(number)) {
        errors.store({error_number::record_in_use, 0, error_kind::other});
        return;
    }

    port_handle_ptr record;
    try {
        record = std::make_shared<port_record>();
        record->number = number;
        record->device_name = std::string(device_name);
    } catch (const std::bad_alloc&) {
        errors.store({error_number::out_of_memory, 0, error_kind::out_of_memory});
        return;
    }

    // The record is not in the table yet: no other thread can reach it.
    if (!open_named_device(errors, *record)) return;

    try {
        std::lock_guard table_lock(t.table);
        t.records.emplace(number, record);
    } catch (const std::bad_alloc&) {
        // No room in the table: the device must not stay open with nobody able to close it.
        std::lock_guard platform_lock(record->platform);
        static_cast<void>(close_device(*record));
        errors.store({error_number::out_of_memory, 0, error_kind::out_of_memory});
    }
}

port_handle_ptr port_handle(error_state& errors, record_number number) {
    port_handle_ptr record = find(number);
    if (!record) errors.store({error_number::no_such_record, 0, error_kind::other});
    return record;
}

void clear_break(const port_handle_ptr& handle) {
    if (!handle) return;
    std::lock_guard platform_lock(handle->platform);
    clear_break_of(*handle);
}

void apply_line_setting(error_state& errors, record_number number, line_setting setting,
                        std::int32_t value) {
    port_handle_ptr record = port_handle(errors, number);
    if (!record) return;
    std::lock_guard platform_lock(record->platform);
    // A close on another thread may have come first; the record then names no port.
    if (!holds_device(*record)) {
        errors.store({error_number::no_such_record, 0, error_kind::other});
        return;
    }
    const backend::setting_outcome outcome = apply_to(*record, setting, value);
    if (outcome.refused) {
        errors.store(refused_setting(*record, outcome));
    } else if (outcome.native != 0) {
        errors.store(error_of(*record, outcome.native));
    }
}

void write_port(error_state& errors, record_number number, std::string_view bytes,
                std::stop_token cancel) {
    port_handle_ptr record = port_handle(errors, number);
    if (!record) return;
    error failure;
    {
        std::lock_guard platform_lock(record->platform);
        if (!holds_device(*record)) {
            errors.store({error_number::no_such_record, 0, error_kind::other});
            return;
        }
        const int native = write_to(*record, bytes, cancel);
        if (native == 0) return;
        failure = error_of(*record, native);
        failure.number = error_number::write_failed;
    }
    errors.store(failure);
    // A port that could not take its bytes in time is wedged or not drained: it is closed, so
    // that later sends fail at once instead of waiting out the bound again.
    if (failure.kind == error_kind::timed_out || cancel.stop_requested()) {
        error_state ignored;
        close_port(ignored, number);
    }
}

void close_port(error_state& errors, record_number number) {
    auto& t = the_table();
    port_handle_ptr record;
    {
        std::lock_guard table_lock(t.table);
        auto it = t.records.find(number);
        if (it == t.records.end()) return;
        record = std::move(it->second);
        t.records.erase(it);
    }
    std::lock_guard platform_lock(record->platform);
    if (!holds_device(*record)) return;
    if (const error failure = close_device(*record)) errors.store(failure);
}

}  // namespace quillon::serial
