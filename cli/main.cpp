// quillon-send: sends text with tags to a serial display module, as the window's Send does.
#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "cli/options.h"
#include "cli/stream_output.h"
#include "display/controller.h"
#include "display/text_view.h"
#include "serial/port_control.h"
#include "serial/port_map.h"
#include "translate/translate.h"

namespace {

using namespace quillon;

int fail(cli::exit_code code, const std::string& message) {
    std::fprintf(stderr, "quillon-send: %s\n", message.c_str());
    return code;
}

bool write_all_output(const std::string& bytes) { return cli::write_all(STDOUT_FILENO, bytes); }

int list_ports(bool open_each) {
    std::string listing;
    std::string free_port;  // the first port left at a default that does not exist
    for (int port = 1; port <= 8; ++port) {
        const std::string name = "COM" + std::to_string(port);
        const auto probe = open_each ? serial::probe_device(name) : serial::look_at_device(name);
        listing += cli::port_list_line(port, probe) + "\n";
        if (free_port.empty() && probe.mapping &&
            probe.mapping->source == serial::mapping_source::built_in &&
            probe.failure.kind == serial::error_kind::not_found) {
            free_port = name;
        }
    }
    const auto unmapped = serial::unmapped_serial_devices();
    if (unmapped.empty()) {
        listing += "\nNo other serial devices found.\n";
    } else {
        listing += "\nSerial devices no COM port maps, each with the line that maps it:\n";
        for (const std::string& device : unmapped) {
            listing += "  " + device + "\n    quillon-send --map " +
                       (free_port.empty() ? "COM1" : free_port) + "=" + device + "\n";
        }
    }
    if (write_all_output(listing)) return cli::sent;
    return fail(cli::write_failed, "writing to standard output failed");
}

int edit_mapping(const cli::options& o) {
    const std::string file = serial::user_ports_file();
    const std::string name = "COM" + std::to_string(o.map_port);
    if (auto failure = serial::edit_ports_file(file, o.map_port, o.map_target)) {
        return fail(cli::could_not_open, *failure);
    }
    const std::string said = o.map_target ? name + " = " + *o.map_target + " in " + file + "\n"
                                          : name + " removed from " + file + "\n";
    if (write_all_output(said)) return cli::sent;
    return fail(cli::write_failed, "writing to standard output failed");
}

// The screen the bytes make on a display of the chosen size, framed as text; no port is opened.
int preview(const cli::options& o) {
    display::serial_module module(*o.preview);
    if (o.text) {
        module.feed(o.raw ? *o.text : TRANSLATE_TEXT(*o.text));
    } else if (!cli::feed_input(STDIN_FILENO, !o.raw,
                                [&](std::string_view bytes) { module.feed(bytes); })) {
        return fail(cli::usage, "cannot read standard input");
    }
    if (write_all_output(display::framed_text(module.view()))) return cli::sent;
    return fail(cli::write_failed, "writing to standard output failed");
}

int run(const cli::options& o) {
    if (o.help) return write_all_output(cli::help_text()) ? cli::sent : cli::write_failed;
    if (o.version) {
        return write_all_output("quillon-send " QUILLON_PACKAGE_VERSION "\n") ? cli::sent
                                                                              : cli::write_failed;
    }
    if (o.list) return list_ports(o.probe);
    if (o.map_port != 0) return edit_mapping(o);
    if (o.preview) return preview(o);

    if (o.dry_run) {
        // Standard input goes out piece by piece as it arrives, so memory does not grow with it.
        cli::stream_status written = cli::stream_status::write_failed;
        if (o.text) {
            if (write_all_output(o.raw ? *o.text : TRANSLATE_TEXT(*o.text))) {
                written = cli::stream_status::done;
            }
        } else {
            written = cli::stream_input(STDIN_FILENO, STDOUT_FILENO, !o.raw);
        }
        if (written == cli::stream_status::read_failed) {
            return fail(cli::usage, "cannot read standard input");
        }
        if (written == cli::stream_status::write_failed) {
            return fail(cli::write_failed, "writing to standard output failed");
        }
        return cli::sent;
    }

    // A send is one synchronous write of the whole text: the text is collected first.
    std::string bytes;
    if (o.text) {
        bytes = o.raw ? *o.text : TRANSLATE_TEXT(*o.text);
    } else if (!cli::read_whole_input(STDIN_FILENO, !o.raw, bytes)) {
        return fail(cli::usage, "cannot read standard input");
    }

    const serial::open_result opened =
        o.device ? serial::open_device(*o.device, o.baud) : serial::open_port(o.port, o.baud);
    const cli::target target{o.device ? 0 : o.port, opened.device_path, opened.mapping};
    if (!opened.opened) {
        const serial::error& e = opened.failure;
        if (e.kind == serial::error_kind::bad_name) {
            return fail(cli::usage, cli::open_failure_message(target, e));
        }
        if (e.kind == serial::error_kind::out_of_memory) {
            return fail(cli::no_memory, cli::open_failure_message(target, e));
        }
        std::string owner_group;
        if (e.kind == serial::error_kind::permission_denied) {
            owner_group = serial::look_at_device(opened.device_path).owner_group;
        }
        return fail(cli::could_not_open, cli::open_failure_message(target, e, owner_group));
    }
    // A network server that did not take a setting leaves the far line otherwise than asked:
    // sending then would only garble the display. (A local driver's refusal, such as a
    // pseudo-terminal's of the modem lines, is the library's business, as it always was.)
    if (cli::is_network_target(target)) {
        for (const serial::error& e : opened.settings) {
            if (!e) continue;
            serial::close_current();
            return fail(cli::could_not_open, cli::setting_failure_message(target, e));
        }
    }
    const serial::error written = serial::send_bytes(bytes);
    // Over a network the close is the last word on whether the server took the bytes.
    const serial::error closed = serial::close_current();
    if (written) return fail(cli::write_failed, cli::write_failure_message(target, written));
    if (closed.number == serial::error_number::write_failed) {
        return fail(cli::write_failed, cli::write_failure_message(target, closed));
    }
    return cli::sent;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The Windows C runtime opens the standard streams in text mode, which turns 13 10 into 10
    // on input, 10 into 13 10 on output and stops reading at byte 26: bytes must pass unchanged.
    static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
    static_cast<void>(_setmode(_fileno(stdout), _O_BINARY));
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const cli::parse_result parsed = cli::parse_options(arguments);
    if (!parsed.error.empty()) {
        return fail(cli::usage, parsed.error + " (see quillon-send --help)");
    }
    try {
        return run(parsed.chosen);
    } catch (const std::bad_alloc&) {
        return fail(cli::no_memory, "out of memory");
    }
}
