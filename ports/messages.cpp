#include "ports/messages.h"

#include <cstdint>
#include <utility>

#include "ports/names.h"
#include "ports/platform.h"
#include "serial/network/connection.h"
#include "serial/network/target.h"

namespace quillon::ports {
namespace {

using serial::error_kind;

// "5 s" for a bound of 5000 ms.
std::string seconds(int milliseconds) { return std::to_string(milliseconds / 1000) + " s"; }

std::string variable_for(int port) { return "QUILLON_COM" + std::to_string(port); }

std::string example_device() { return std::string(platform::platform_words().example_device); }

std::string with_reason(std::string text, const serial::error& e) {
    const std::string reason = serial::describe(e);
    if (!reason.empty()) text += ": " + reason;
    return text;
}

std::string not_a_serial_device(const std::string& path, const serial::error& e) {
    return path + " is " + std::string(serial::describe(e.found)) + ", not a serial device";
}

// "another program", or the program the system says holds the port: "quillon-bridge (pid 4211)".
std::string holder_of(const std::string& device_path) {
    const auto holder = platform::lock_holder_of(device_path);
    if (!holder) return "another program";
    const std::string pid = "pid " + std::to_string(holder->pid);
    return holder->program.empty() ? "another program (" + pid + ")"
                                   : holder->program + " (" + pid + ")";
}

// Debian gives serial devices to the dialout group; joining it is the fix only there.
std::string permission_advice(const std::string& owner_group) {
    if (owner_group != "dialout") return "";
    return "; add your user to the dialout group (sudo usermod -aG dialout $USER) and log in "
           "again";
}

// What a server sent too much of, in the words of a message.
constexpr const char* flooded =
    "the server sent more replies or telnet negotiation than a "
    "sender keeps (is it a serial port server?)";

// A COM-PORT setting (RFC 2217 command numbers) and its values in words.
struct setting_words {
    const char* name;
    std::string (*value)(std::uint32_t);
};

std::string number_words(std::uint32_t v) { return std::to_string(v); }

std::string parity_words(std::uint32_t v) {
    static constexpr const char* names[] = {"none", "odd", "even", "mark", "space"};
    return v >= 1 && v <= 5 ? names[v - 1] : "value " + std::to_string(v);
}

std::string stop_words(std::uint32_t v) {
    static constexpr const char* names[] = {"1", "2", "1.5"};
    return v >= 1 && v <= 3 ? names[v - 1] : "value " + std::to_string(v);
}

std::string control_words(std::uint32_t v) {
    switch (v) {
        case 1:
        case 14:
            return "none";
        case 2:
        case 15:
            return "XON/XOFF";
        case 3:
        case 16:
            return "hardware (RTS/CTS)";
        case 5:
            return "break on";
        case 6:
            return "break off";
        case 17:
            return "DCD";
        case 18:
            return "DTR";
        case 19:
            return "DSR";
        default:
            return "value " + std::to_string(v);
    }
}

setting_words words_for(const serial::setting_answer& a) {
    switch (a.command) {
        case 1:
            return {"the baud rate", number_words};
        case 2:
            return {"the data bits", number_words};
        case 3:
            return {"the parity", parity_words};
        case 4:
            return {"the stop bits", stop_words};
        case 5:
            if (a.asked >= 4 && a.asked <= 6) return {"the break state", control_words};
            if (a.asked >= 13) return {"the inbound flow control", control_words};
            return {"the outbound flow control", control_words};
        default:
            return {"a line setting", number_words};
    }
}

bool network_target(const target& t) { return serial::network::is_network_path(t.device_path); }

std::string host_of(const target& t) {
    const auto where = serial::network::parse_target(t.device_path);
    return where ? where->host : t.device_path;
}

// A network target that could not be connected to, or spoke no RFC 2217.
std::string connect_failure_message(const target& t, const serial::error& e) {
    const std::string start = "cannot connect to " + describe_target(t) + ": ";
    switch (e.kind) {
        case error_kind::bad_name:
            return "refused network target '" + t.device_path +
                   "': write tcp://HOST:PORT or rfc2217://HOST:PORT with PORT from 1 to 65535";
        case error_kind::connection_refused:
            return start + "connection refused (is ser2net running there?)";
        case error_kind::host_not_found:
            return with_reason(start + "unknown host " + host_of(t), e);
        case error_kind::timed_out:
            return start + "no answer within " + seconds(serial::network::connect_bound_ms) +
                   " (is the host up, and is this its port?)";
        case error_kind::connection_dropped:
            return start + "the server closed the connection (is another client using the port?)";
        case error_kind::no_com_port_option:
            return describe_target(t) +
                   " does not speak RFC 2217: the server refused or never answered the telnet "
                   "COM-PORT-OPTION (for a raw TCP port write tcp://" +
                   host_of(t) + ":PORT)";
        case error_kind::too_much_input:
            return start + flooded;
        case error_kind::out_of_memory:
            return "out of memory connecting to " + describe_target(t);
        default:
            return with_reason("cannot connect to " + describe_target(t), e);
    }
}

// The group owning the device, looked up only where a permission was refused.
std::string owner_group_for(const std::string& device_path, const serial::error& e) {
    if (e.kind != error_kind::permission_denied) return {};
    return serial::look_at_device(device_path).owner_group;
}

}  // namespace

std::string describe_target(const target& t) {
    if (t.port == 0) return t.device_path;
    return "COM" + std::to_string(t.port) + " (" + t.device_path + ")";
}

target target_of(std::string_view device_name, const open_result& opened) {
    return {com_port_number(device_name), opened.device_path, opened.mapping};
}

std::string describe_source(const port_mapping& m) {
    switch (m.source) {
        case mapping_source::environment:
            return "environment";
        case mapping_source::virtual_display:
            return "virtual display";
        case mapping_source::user_file:
        case mapping_source::system_file:
            return m.line > 0 ? m.file + ":" + std::to_string(m.line) : m.file;
        case mapping_source::built_in:
            break;
    }
    return "default";
}

std::string open_failure_message(const target& t, const serial::error& e,
                                 const std::string& owner_group) {
    if (network_target(t) && e.kind != error_kind::bad_mapping)
        return connect_failure_message(t, e);
    switch (e.kind) {
        case error_kind::bad_mapping:
            return t.mapping ? t.mapping->problem : "refused mapping for " + describe_target(t);
        case error_kind::not_found: {
            if (t.port == 0 || !t.mapping) return t.device_path + " does not exist";
            const std::string name = "COM" + std::to_string(t.port);
            const auto source = t.mapping->source;
            if (source == mapping_source::environment) {
                return name + " not found: " + t.device_path + " does not exist; set " +
                       variable_for(t.port) + " to the port's device (e.g. " +
                       variable_for(t.port) + "=" + example_device() + ")";
            }
            if (source == mapping_source::built_in) {
                return name + " not found: " + t.device_path + " does not exist; map the port " +
                       "to your adapter with quillon-send --map " + name + "=" + example_device() +
                       " (quillon-send --list shows the devices present)";
            }
            return name + " not found: " + t.device_path + " (" + describe_source(*t.mapping) +
                   ") does not exist";
        }
        case error_kind::in_use:
            return describe_target(t) + " is in use by " + holder_of(t.device_path);
        case error_kind::permission_denied:
            return "permission denied opening " + describe_target(t) +
                   permission_advice(owner_group);
        case error_kind::not_a_serial_device:
            return not_a_serial_device(t.device_path, e);
        case error_kind::bad_name:
            return "refused device name '" + t.device_path + "': empty, longer than " +
                   std::to_string(serial::longest_device_name) + " bytes, or holds '*' or '?'";
        case error_kind::out_of_memory:
            return "out of memory opening " + describe_target(t);
        default:
            return with_reason("cannot open " + describe_target(t), e);
    }
}

std::string open_failure_message(std::string_view device_name, const open_result& opened) {
    if (opened.arguments_refused) {
        return "cannot open " + std::string(device_name) +
               ": the baud rate is not one of 1200, 2400, 4800 or 9600";
    }
    return open_failure_message(target_of(device_name, opened), opened.failure,
                                owner_group_for(opened.device_path, opened.failure));
}

std::string write_failure_message(const target& t, const serial::error& e) {
    if (e.kind == error_kind::timed_out) {
        return "writing to " + describe_target(t) +
               " timed out: the port did not take the bytes in the time they need at its rate "
               "(is the device connected and reading?)";
    }
    if (e.kind == error_kind::connection_dropped) {
        return with_reason("writing to " + describe_target(t) +
                               " failed: the connection was dropped before the server took "
                               "every byte",
                           e);
    }
    if (e.kind == error_kind::too_much_input) {
        return "writing to " + describe_target(t) + " failed: " + flooded;
    }
    return with_reason("writing to " + describe_target(t) + " failed", e);
}

std::string last_failure_message() {
    const failure_record latest = last_failure();
    const target t{latest.port, latest.device_path, latest.mapping};
    switch (latest.failed) {
        case failure_record::step::none:
            return {};
        case failure_record::step::write:
            return write_failure_message(t, latest.failure);
        case failure_record::step::open:
            break;
    }
    if (latest.arguments_refused) {
        return "cannot open COM" + std::to_string(latest.port) + " at " +
               std::to_string(latest.baud) +
               " baud: only COM1 to COM8 at 1200, 2400, 4800 or 9600 baud";
    }
    return open_failure_message(t, latest.failure,
                                owner_group_for(latest.device_path, latest.failure));
}

bool is_network_target(const target& t) { return network_target(t); }

std::string setting_failure_message(const target& t, const serial::error& e) {
    const std::string start = describe_target(t) + ": ";
    const setting_words w = words_for(e.answer);
    switch (e.kind) {
        case error_kind::answered_otherwise:
            return start + "the server set " + w.name + " to " + w.value(e.answer.answered) +
                   ", not " + w.value(e.answer.asked);
        case error_kind::timed_out:
            return start + "the server did not answer the setting of " + w.name + " (" +
                   w.value(e.answer.asked) + ") in time: an open waits " +
                   seconds(serial::network::answer_bound_ms) + " for an answer and " +
                   seconds(serial::network::connect_bound_ms) + " in all";
        case error_kind::too_much_input:
            return start + flooded;
        case error_kind::connection_dropped:
            return with_reason(start + "the server closed the connection while the line was set",
                               e);
        default:
            return with_reason(start + "the server did not take " + std::string(w.name), e);
    }
}

std::string port_list_line(int port, const probe_result& probe) {
    std::string state;
    const serial::error& e = probe.failure;
    if (e.kind == error_kind::bad_mapping) {
        state = probe.mapping ? probe.mapping->problem : "bad mapping";
    } else if (serial::network::is_network_path(probe.device_path)) {
        // Looking does not connect: only --probe tells whether the server is there.
        switch (e.kind) {
            case error_kind::none:
                state = probe.opened_to_check ? "ready" : "network target, not contacted";
                break;
            case error_kind::bad_name:
                state = "not a network target (tcp://HOST:PORT or rfc2217://HOST:PORT)";
                break;
            case error_kind::connection_refused:
                state = "connection refused";
                break;
            case error_kind::host_not_found:
                state = "unknown host";
                break;
            case error_kind::no_com_port_option:
                state = "no RFC 2217 there";
                break;
            default:
                state = with_reason("cannot be used", e);
                break;
        }
    } else {
        switch (e.kind) {
            case error_kind::none:
                state = "ready";
                break;
            case error_kind::not_found:
                state = "missing";
                break;
            case error_kind::in_use:
                state = "in use by " + holder_of(probe.device_path);
                break;
            case error_kind::permission_denied:
                state = "no permission" + permission_advice(probe.owner_group);
                break;
            case error_kind::not_a_serial_device:
                state = "not a serial device (" + std::string(serial::describe(e.found)) + ")";
                break;
            default:
                state = with_reason("cannot be used", e);
                break;
        }
    }
    const std::string target = probe.device_path.empty() ? "-" : probe.device_path;
    const std::string source = probe.mapping ? describe_source(*probe.mapping) : "default";
    return "COM" + std::to_string(port) + "  " + target + "  (" + source + ")  " + state;
}

}  // namespace quillon::ports
