#include "cli/text_commands.h"

#include <unistd.h>

#include <string>

#include "cli/family_check.h"
#include "cli/messages.h"
#include "cli/report.h"
#include "cli/send_progress.h"
#include "cli/stream_output.h"
#include "display/dot_view.h"
#include "display/module.h"
#include "display/text_view.h"
#include "ports/port_control.h"
#include "translate/text_to_bytes.h"

namespace quillon::cli {
namespace {

// How text is turned into bytes: the charset, the tags unless --raw, and what to look for
// (nothing beyond the bytes with --quiet, unless --strict must know).
// With --module (but for the preview, which shows that module) the names of other families'
// modules are looked for too.
text_settings settings_for(const options& o, std::optional<charset::rom> port_charset) {
    text_settings settings{charset_for(o, port_charset), !o.raw, !o.quiet || o.strict};
    if (o.module_named && !o.preview) settings.module_family = family_bit(o.module);
    return settings;
}

// What the step noticed, told on standard error (not with --quiet, unless --strict refuses the
// text). False when --strict refuses it: the run then ends with exit code 2.
bool told(const options& o, const text_settings& settings, const text_notes& notes) {
    if (o.quiet && !o.strict) return true;
    std::vector<std::string> lines;
    for (const note_line& line : note_lines(notes, settings, "--charset a00 or a02")) {
        lines.push_back(line.text);
    }
    for (std::string& line : family_warnings(notes.tags, o.module))
        lines.push_back(std::move(line));
    for (const std::string& line : lines) warn(line);
    return !o.strict || lines.empty();
}

int refused_by_strict(const options& o) {
    return fail(usage, std::string(o.dry_run ? "nothing written" : "nothing sent") +
                           ": --strict refuses a text with warnings");
}

// The bytes of TEXT or of all of standard input, with the notes. False when a read fails.
bool whole_text(const options& o, text_to_bytes& step, std::string& bytes) {
    if (!o.text) return read_whole_input(STDIN_FILENO, step, bytes);
    bytes = step.convert(*o.text);
    bytes += step.finish();
    return true;
}

// Why a port or device could not be opened, with the exit code the kind of failure asks for.
int open_failed(const target& where, const serial::error& e, const std::string& device_path) {
    if (e.kind == serial::error_kind::bad_name) return fail(usage, open_failure_message(where, e));
    if (e.kind == serial::error_kind::out_of_memory) {
        return fail(no_memory, open_failure_message(where, e));
    }
    std::string owner_group;
    if (e.kind == serial::error_kind::permission_denied) {
        owner_group = serial::look_at_device(device_path).owner_group;
    }
    return fail(could_not_open, open_failure_message(where, e, owner_group));
}

}  // namespace

std::optional<charset::rom> charset_for(const options& o,
                                        std::optional<charset::rom> port_charset) {
    return o.charset_given ? o.charset : port_charset;
}

int preview(const options& o) {
    const auto module =
        display::make_module(o.module, *o.preview, o.charset.value_or(display::rom::a00));
    const text_settings settings = settings_for(o, std::nullopt);
    text_to_bytes step(settings);
    if (o.text) {
        module->feed(step.convert(*o.text));
        module->feed(step.finish());
    } else if (!feed_input(STDIN_FILENO, step,
                           [&](std::string_view bytes) { module->feed(bytes); })) {
        return fail(usage, "cannot read standard input");
    }
    if (!told(o, settings, step.notes())) return refused_by_strict(o);
    const display::screen glass = module->view();
    if (o.dots) return print(display::dot_text(glass));
    // The cursor's ANSI marks only on a terminal: in a pipe or a file they would be stray bytes.
    return print(display::framed_text(glass, isatty(STDOUT_FILENO) == 1));
}

int dry_run(const options& o) {
    const text_settings settings = settings_for(o, std::nullopt);
    text_to_bytes step(settings);
    stream_status written = stream_status::done;
    if (o.text || o.strict) {
        // --strict decides on the whole text before a byte is written.
        std::string bytes;
        if (!whole_text(o, step, bytes)) {
            written = stream_status::read_failed;
        } else if (!told(o, settings, step.notes())) {
            return refused_by_strict(o);
        } else if (!write_output(bytes)) {
            written = stream_status::write_failed;
        }
    } else {
        written = stream_input(STDIN_FILENO, STDOUT_FILENO, step);
        if (written != stream_status::read_failed) told(o, settings, step.notes());
    }
    if (written == stream_status::read_failed) return fail(usage, "cannot read standard input");
    if (written == stream_status::write_failed) {
        return fail(write_failed, "writing to standard output failed");
    }
    return sent;
}

int send_to_port(const options& o) {
    // The port's own charset= from the ports file (--charset, when given, comes first).
    const std::optional<charset::rom> port_charset =
        o.device ? std::nullopt : ports::charset_of(ports::resolve_port(o.port));
    const text_settings settings = settings_for(o, port_charset);
    text_to_bytes step(settings);
    std::string bytes;
    if (!whole_text(o, step, bytes)) return fail(usage, "cannot read standard input");
    if (!told(o, settings, step.notes())) return refused_by_strict(o);

    const ports::open_result opened =
        o.device ? ports::open_device(*o.device, o.baud) : ports::open_port(o.port, o.baud);
    const target where{o.device ? 0 : o.port, opened.device_path, opened.mapping};
    if (!opened.opened) return open_failed(where, opened.failure, opened.device_path);
    // A network server that did not take a setting leaves the far line otherwise than asked:
    // sending then would only garble the display. (A local driver's refusal, such as a
    // pseudo-terminal's of the modem lines, is the library's business, as it always was.)
    if (is_network_target(where)) {
        for (const serial::error& e : opened.settings) {
            if (!e) continue;
            ports::close_current();
            return fail(could_not_open, setting_failure_message(where, e));
        }
    }
    const serial::error written =
        send_bytes_showing_progress(bytes, o.baud, !o.quiet && !is_network_target(where));
    // Over a network the close is the last word on whether the server took the bytes.
    const serial::error closed = ports::close_current();
    if (written) return fail(write_failed, write_failure_message(where, written));
    if (closed.number == serial::error_number::write_failed) {
        return fail(write_failed, write_failure_message(where, closed));
    }
    return sent;
}

}  // namespace quillon::cli
