#include "display/host/options.h"

#include <charconv>

#include "cli/parse/option_table.h"
#include "ports/names.h"
#include "ports/port_control.h"

namespace quillon::display {
namespace {

using cli::option;
using cli::parse_int;

std::string none() { return {}; }

std::vector<option> option_table(options& o) {
    const auto flag = [](bool& field) {
        return [&field](const std::string*) {
            field = true;
            return none();
        };
    };
    const std::string rates = cli::choice_words(ports::baud_rates);
    return {
        {"--port", "", "N", false,
         "COM1 to COM8 (default: the first port that no environment\n"
         "variable, ports file or other virtual display maps)",
         [&](const std::string* v) {
             if (parse_int(*v, o.port) && o.port >= 1 && o.port <= ports::port_count) return none();
             return "port must be a number from 1 to 8, not '" + *v + "'";
         }},
        {"--size", "", "COLSxROWS", false,
         std::string(size_choices()) + " (default " + size_name(default_size) + ")",
         [&](const std::string* v) {
             const auto size = parse_size(*v);
             if (!size) return "size must be " + std::string(size_choices()) + ", not '" + *v + "'";
             o.size = *size;
             return none();
         }},
        {"--backlight", "", "NAME", false,
         std::string(backlight_choices()) + " (default yellow-green)",
         [&](const std::string* v) {
             const auto light = parse_backlight(*v);
             if (!light) {
                 return "backlight must be " + std::string(backlight_choices()) + ", not '" + *v +
                        "'";
             }
             o.light = *light;
             return none();
         }},
        {"--baud", "", "RATE", false,
         "the rate the display listens at: " + rates +
             "\n(default 9600); a sender at another rate is warned of",
         [&, rates](const std::string* v) {
             if (parse_int(*v, o.baud) && ports::is_baud_rate(o.baud)) return none();
             return "baud rate must be " + rates + ", not '" + *v + "'";
         }},
        {"--rom", "", "NAME", false,
         "the character ROM: a00 (default; ASCII, katakana, Greek and\n"
         "symbols) or a02 (Western European), as quillon-send --charset",
         [&](const std::string* v) {
             const auto table = parse_rom(*v);
             if (!table) return "rom must be a00 or a02, not '" + *v + "'";
             o.character_rom = *table;
             return none();
         }},
        {"--text", "", "", false,
         "after each burst of bytes, print the screen framed as text\n"
         "(on a terminal, the cursor marked with ANSI underline or\n"
         "reverse video; plain text into a pipe or a file)",
         flag(o.text)},
        {"--no-window", "", "", false, "with --text: no window, the terminal only",
         flag(o.no_window)},
        {"--help", "-h", "", false, "show this text", flag(o.help)},
        {"--version", "", "", false, "show the version of quillon-display", flag(o.version)},
    };
}

}  // namespace

parsed_options parse_options(const std::vector<std::string>& arguments) {
    parsed_options result;
    options& o = result.chosen;
    const cli::parsed_command_line line = cli::parse_command_line(
        arguments, option_table(o), {.unknown = "unknown argument ", .flag_value_unknown = false});
    if (!line.error.empty()) {
        result.error = line.error;
    } else if (!line.operands.empty()) {
        result.error = "unknown argument " + line.operands.front();
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
)" + cli::option_help(option_table(o)) +
           R"(
Without a display (DISPLAY and WAYLAND_DISPLAY unset), --text runs without a window and
says so; without --text it stops with a message. SIGINT, SIGTERM and closing the window
end it, and the port goes back to what it was mapped to before.
)";
}

}  // namespace quillon::display
