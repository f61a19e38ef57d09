#include "cli/text_commands.h"

#include <unistd.h>

#include <optional>
#include <string>

#include "cli/family_check.h"
#include "cli/messages.h"
#include "cli/report.h"
#include "cli/stream_output.h"
#include "display/dot_view.h"
#include "display/module.h"
#include "display/rom_text.h"
#include "display/text_view.h"
#include "ports/port_control.h"
#include "translate/outside_tags.h"
#include "translate/translate.h"
#include "translate/unknown_names.h"

namespace quillon::cli {
namespace {

// The checks beside the translation, on the text as typed: unknown names, each told once with
// the nearest known name when the input has ended, and with --module (but for the preview,
// which shows the module) the names meant for another kind of module. Silent with --quiet, and
// with --raw, where there are no tags.
class typed_checks {
  public:
    explicit typed_checks(const options& o) : active_(!o.quiet && !o.raw) {
        if (active_ && o.module_named && !o.preview) family_.emplace(o.module);
    }

    typed_observer observer() {
        if (!active_) return {};
        return [this](std::string_view piece) { look(piece); };
    }
    void look(std::string_view text) {
        if (!active_) return;
        finder_.look(text);
        if (family_) family_->look(text);
    }
    void tell() const {
        for (const std::string& name : finder_.names()) {
            const std::string_view near = nearest_name(name);
            warn("unknown tag <" + name + ">: " +
                 (near.empty() ? std::string("no such name (quillon-send --tags lists them)")
                               : "did you mean " + std::string(near) + "?"));
        }
        if (family_) {
            for (const std::string& warning : family_->warnings()) warn(warning);
        }
    }

  private:
    bool active_;
    unknown_name_finder finder_;
    std::optional<family_check> family_;
};

// --charset: the text beyond ASCII in the module's own codes, each missing character told once.
std::string in_charset(const options& o, std::string_view text) {
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
std::optional<std::string> typed_text(const options& o, bool& read_failed) {
    read_failed = false;
    if (o.text) return *o.text;
    if (!o.charset) return std::nullopt;
    std::string whole;
    read_failed = !read_whole_input(STDIN_FILENO, false, whole);
    return whole;
}

// The bytes of a whole typed text: checked, converted, translated.
std::string prepared(const options& o, std::string_view typed, typed_checks& checks) {
    checks.look(typed);
    const std::string converted = in_charset(o, typed);
    return o.raw ? converted : TRANSLATE_TEXT(converted);
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

int preview(const options& o) {
    const auto module =
        display::make_module(o.module, *o.preview, o.charset.value_or(display::rom::a00));
    typed_checks checks(o);
    bool read_failed = false;
    if (const auto whole = typed_text(o, read_failed); whole && !read_failed) {
        module->feed(prepared(o, *whole, checks));
    } else if (read_failed ||
               !feed_input(
                   STDIN_FILENO, !o.raw, [&](std::string_view bytes) { module->feed(bytes); },
                   real_stream_calls(), checks.observer())) {
        return fail(usage, "cannot read standard input");
    }
    checks.tell();
    const display::screen glass = module->view();
    if (o.dots) return print(display::dot_text(glass));
    // The cursor's ANSI marks only on a terminal: in a pipe or a file they would be stray bytes.
    return print(display::framed_text(glass, isatty(STDOUT_FILENO) == 1));
}

int dry_run(const options& o) {
    stream_status written = stream_status::write_failed;
    typed_checks checks(o);
    bool read_failed = false;
    if (const auto whole = typed_text(o, read_failed); read_failed) {
        written = stream_status::read_failed;
    } else if (whole) {
        if (write_output(prepared(o, *whole, checks))) written = stream_status::done;
    } else {
        written = stream_input(STDIN_FILENO, STDOUT_FILENO, !o.raw, real_stream_calls(),
                               checks.observer());
    }
    checks.tell();
    if (written == stream_status::read_failed) return fail(usage, "cannot read standard input");
    if (written == stream_status::write_failed) {
        return fail(write_failed, "writing to standard output failed");
    }
    return sent;
}

int send_to_port(const options& o) {
    std::string bytes;
    typed_checks checks(o);
    bool read_failed = false;
    if (const auto whole = typed_text(o, read_failed); whole && !read_failed) {
        bytes = prepared(o, *whole, checks);
    } else if (read_failed || !read_whole_input(STDIN_FILENO, !o.raw, bytes, real_stream_calls(),
                                                checks.observer())) {
        return fail(usage, "cannot read standard input");
    }
    checks.tell();

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
    const serial::error written = ports::send_bytes(bytes);
    // Over a network the close is the last word on whether the server took the bytes.
    const serial::error closed = ports::close_current();
    if (written) return fail(write_failed, write_failure_message(where, written));
    if (closed.number == serial::error_number::write_failed) {
        return fail(write_failed, write_failure_message(where, closed));
    }
    return sent;
}

}  // namespace quillon::cli
