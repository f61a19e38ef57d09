#include "display/host/options.h"

#include "options/option_table.h"
#include "options/standard/display_options.h"
#include "options/standard/port_options.h"
#include "options/words.h"

namespace quillon::display {
namespace {

using quillon::options::give_instead;
using quillon::options::option;
using quillon::options::set_flag;

std::vector<option> option_table(options& o) {
    return {
        quillon::options::port_option(
            o.port,
            "the first port that no environment variable, ports file or other virtual "
            "display maps"),
        {.name = "size",
         .value = "COLSxROWS",
         .help = std::string(size_choices()) + " (default " + size_name(default_size) + ")",
         .take = [&](const std::string* v) -> std::string {
             const auto size = parse_size(*v);
             if (!size) return give_instead(size_choices(), *v);
             o.size = *size;
             return {};
         }},
        {.name = "backlight",
         .value = "NAME",
         .help = std::string(backlight_choices()) + " (default yellow-green)",
         .take = [&](const std::string* v) -> std::string {
             const auto light = parse_backlight(*v);
             if (!light) return give_instead(backlight_choices(), *v);
             o.light = *light;
             return {};
         }},
        quillon::options::baud_option(
            o.baud, "the rate the display listens at; a sender at another rate is warned of"),
        quillon::options::rom_option(o.character_rom, "as quillon-send --charset"),
        {.name = "text",
         .help = "after each burst of bytes, print the screen framed as text (on a terminal, the "
                 "cursor marked with ANSI underline or reverse video; plain text into a pipe or "
                 "a file)",
         .take = set_flag(o.text)},
        {.name = "no-window",
         .help = "with --text: no window, the terminal only",
         .take = set_flag(o.no_window)},
        quillon::options::help_option(o.help),
        quillon::options::version_option(o.version, "quillon-display"),
    };
}

}  // namespace

parsed_options parse_options(const std::vector<std::string>& arguments) {
    parsed_options result;
    options& o = result.chosen;
    const auto line = quillon::options::parse_command_line(option_table(o), arguments);
    if (!line.error.empty()) {
        result.error = line.error;
    } else if (!line.operands.empty()) {
        result.error = "unexpected argument '" + line.operands.front() + "'";
    } else if (o.no_window && !o.text) {
        result.error = "--no-window needs --text: nothing else would show the screen";
    }
    return result;
}

std::string help_text() {
    options o;
    return R"(Usage: quillon-display [OPTIONS]

A character display module on the screen: a window drawn like the glass of a module, served
through a pseudo-terminal that one COM port reaches while the display runs. What Quillon's
window or quillon-send sends to that port shows here as a real module would show it.

Options:
)" + quillon::options::option_help(option_table(o)) +
           R"(
Without a display (DISPLAY and WAYLAND_DISPLAY unset), --text runs without a window and
says so; without --text it stops with a message. SIGINT, SIGTERM and closing the window
end it, and the port goes back to what it was mapped to before.
)";
}

}  // namespace quillon::display
