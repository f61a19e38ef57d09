// quillon-send: sends text with tags to a serial display module, as the window's Send does.
#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "cli/options.h"
#include "cli/stream_output.h"
#include "cli/tag_reference.h"
#include "display/controller.h"
#include "display/rom_sheet.h"
#include "display/rom_text.h"
#include "display/text_view.h"
#include "ports/names.h"
#include "ports/port_control.h"
#include "ports/ports_file.h"
#include "ports/resolve.h"
#include "translate/outside_tags.h"
#include "translate/translate.h"
#include "translate/unknown_names.h"

namespace {

using namespace quillon;

int fail(cli::exit_code code, const std::string& message) {
    std::fprintf(stderr, "quillon-send: %s\n", message.c_str());
    return code;
}

bool write_all_output(const std::string& bytes) { return cli::write_all(STDOUT_FILENO, bytes); }

// Lines of the ports files that name none of COM1 to COM8: no port shows them.
std::string stray_lines() {
    std::string text;
    std::vector<std::string> files;
    if (auto user = ports::user_ports_file()) files.push_back(*user);
    files.push_back(ports::system_ports_file());
    for (const std::string& path : files) {
        for (const ports::ports_file_entry& entry : ports::read_ports_file(path).entries) {
            if (entry.port != 0) continue;
            text += "  " + path + ":" + std::to_string(entry.line) + ": " + entry.problem + "\n";
        }
    }
    return text.empty() ? text : "\nLines that map no port:\n" + text;
}

int list_ports(bool open_each) {
    std::string listing;
    std::string free_port;  // the first port left at a default that does not exist
    for (int port = 1; port <= ports::port_count; ++port) {
        const std::string name = ports::port_name(port);
        const auto probe = open_each ? ports::probe_device(name) : ports::look_at_device(name);
        listing += cli::port_list_line(port, probe) + "\n";
        if (free_port.empty() && probe.mapping &&
            probe.mapping->source == ports::mapping_source::built_in &&
            probe.failure.kind == serial::error_kind::not_found) {
            free_port = name;
        }
    }
    listing += stray_lines();
    const auto unmapped = ports::unmapped_serial_devices();
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

void note(const std::string& text) {
    std::fprintf(stderr, "quillon-send: note: %s\n", text.c_str());
}

int said(const std::string& text) {
    if (write_all_output(text)) return cli::sent;
    return fail(cli::write_failed, "writing to standard output failed");
}

int edit_mapping(const cli::options& o) {
    const std::string name = ports::port_name(o.map_port);
    const std::optional<std::string> file = ports::user_ports_file();
    if (!file) {
        return fail(cli::could_not_open,
                    "cannot " + std::string(o.map_target ? "map " : "unmap ") + name +
                        ": there is no ports file of your own, because neither XDG_CONFIG_HOME "
                        "nor HOME names an absolute folder");
    }
    const ports::edit_outcome edited = ports::edit_ports_file(*file, o.map_port, o.map_target);
    if (edited.refused_target) return fail(cli::usage, "--map: " + edited.problem);
    if (!edited.problem.empty()) return fail(cli::could_not_open, edited.problem);
    if (!o.map_target) {
        if (!edited.had_line)
            return said(name + " has no line in " + *file + ": nothing removed\n");
        return said(name + " removed from " + *file + "\n");
    }
    if (said(name + " = " + edited.target + " in " + *file + "\n") != cli::sent) {
        return cli::write_failed;
    }
    if (serial::look_at_device(edited.target).failure.kind == serial::error_kind::not_found) {
        note(edited.target + " does not exist now; the line waits for it");
    }
    const ports::port_mapping now = ports::resolve_port(o.map_port);
    if (now.source == ports::mapping_source::environment) {
        note(now.file + " is set and comes first: programs run with it send " + name +
             " elsewhere");
    } else if (now.source == ports::mapping_source::virtual_display) {
        note("a virtual display runs for " + name + " and comes first while it runs (" + now.file +
             ")");
    }
    return cli::sent;
}

void warn(const std::string& text) { std::fprintf(stderr, "quillon-send: %s\n", text.c_str()); }

// The checks beside the translation, on the text as typed: unknown names, each told once with
// the nearest known name when the input has ended. Silent with --quiet, and with --raw, where
// there are no tags.
class typed_checks {
  public:
    explicit typed_checks(const cli::options& o) : active_(!o.quiet && !o.raw) {}

    cli::typed_observer observer() {
        if (!active_) return {};
        return [this](std::string_view piece) { finder_.look(piece); };
    }
    void look(std::string_view text) {
        if (active_) finder_.look(text);
    }
    void tell() const {
        for (const std::string& name : finder_.names()) {
            const std::string_view near = nearest_name(name);
            warn("unknown tag <" + name + ">: " +
                 (near.empty() ? std::string("no such name (quillon-send --tags lists them)")
                               : "did you mean " + std::string(near) + "?"));
        }
    }

  private:
    bool active_;
    unknown_name_finder finder_;
};

// --charset: the text beyond ASCII in the module's own codes, each missing character told once,
// and ASCII that the ROM shows otherwise (A00's \ and ~) told once.
std::string in_charset(const cli::options& o, std::string_view text) {
    if (!o.charset) return std::string(text);
    display::rom_text converted = display::to_rom_codes(text, *o.charset);
    if (!o.quiet) {
        const std::string otherwise = display::ascii_shown_otherwise(*o.charset);
        if (o.raw ? text.find_first_of(otherwise) != std::string_view::npos
                  : outside_tags_holds_any(text, otherwise)) {
            warn(display::ascii_shown_otherwise_warning(*o.charset));
        }
        for (const char32_t c : converted.missing) {
            warn(display::missing_character_warning(c, *o.charset));
        }
    }
    return std::move(converted.bytes);
}

// The whole text when it has to be seen whole before translating (--charset converts UTF-8,
// whose characters may be cut between two pieces of standard input); nothing when it streams.
std::optional<std::string> typed_text(const cli::options& o, bool& read_failed) {
    read_failed = false;
    if (o.text) return *o.text;
    if (!o.charset) return std::nullopt;
    std::string whole;
    read_failed = !cli::read_whole_input(STDIN_FILENO, false, whole);
    return whole;
}

// The bytes of a whole typed text: checked, converted, translated.
std::string prepared(const cli::options& o, std::string_view typed, typed_checks& checks) {
    checks.look(typed);
    const std::string converted = in_charset(o, typed);
    return o.raw ? converted : TRANSLATE_TEXT(converted);
}

// The screen the bytes make on a display of the chosen size, framed as text; no port is opened.
int preview(const cli::options& o) {
    display::serial_module module(*o.preview, o.charset.value_or(display::rom::a00));
    typed_checks checks(o);
    bool read_failed = false;
    if (const auto whole = typed_text(o, read_failed); whole && !read_failed) {
        module.feed(prepared(o, *whole, checks));
    } else if (read_failed ||
               !cli::feed_input(
                   STDIN_FILENO, !o.raw, [&](std::string_view bytes) { module.feed(bytes); },
                   cli::real_stream_calls(), checks.observer())) {
        return fail(cli::usage, "cannot read standard input");
    }
    checks.tell();
    if (write_all_output(display::framed_text(module.view()))) return cli::sent;
    return fail(cli::write_failed, "writing to standard output failed");
}

int run(const cli::options& o) {
    if (o.help) return write_all_output(cli::help_text()) ? cli::sent : cli::write_failed;
    if (o.version) {
        return write_all_output("quillon-send " QUILLON_PACKAGE_VERSION "\n") ? cli::sent
                                                                              : cli::write_failed;
    }
    if (o.tags) return said(cli::tag_reference());
    if (o.rom_sheet) return said(display::rom_sheet(*o.rom_sheet));
    if (o.list) return list_ports(o.probe);
    if (o.map_port != 0) return edit_mapping(o);
    if (o.preview) return preview(o);

    if (o.dry_run) {
        // Standard input goes out piece by piece as it arrives, so memory does not grow with it.
        cli::stream_status written = cli::stream_status::write_failed;
        typed_checks checks(o);
        bool read_failed = false;
        if (const auto whole = typed_text(o, read_failed); read_failed) {
            written = cli::stream_status::read_failed;
        } else if (whole) {
            if (write_all_output(prepared(o, *whole, checks))) {
                written = cli::stream_status::done;
            }
        } else {
            written = cli::stream_input(STDIN_FILENO, STDOUT_FILENO, !o.raw,
                                        cli::real_stream_calls(), checks.observer());
        }
        checks.tell();
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
    typed_checks checks(o);
    bool read_failed = false;
    if (const auto whole = typed_text(o, read_failed); whole && !read_failed) {
        bytes = prepared(o, *whole, checks);
    } else if (read_failed || !cli::read_whole_input(STDIN_FILENO, !o.raw, bytes,
                                                     cli::real_stream_calls(), checks.observer())) {
        return fail(cli::usage, "cannot read standard input");
    }
    checks.tell();

    const ports::open_result opened =
        o.device ? ports::open_device(*o.device, o.baud) : ports::open_port(o.port, o.baud);
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
            ports::close_current();
            return fail(cli::could_not_open, cli::setting_failure_message(target, e));
        }
    }
    const serial::error written = ports::send_bytes(bytes);
    // Over a network the close is the last word on whether the server took the bytes.
    const serial::error closed = ports::close_current();
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
