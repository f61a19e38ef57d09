#include "display/host/options.h"

#include <charconv>
#include <optional>

namespace quillon::display {
namespace {

bool parse_int(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

}  // namespace

parsed_options parse_options(const std::vector<std::string>& arguments) {
    parsed_options result;
    options& o = result.chosen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const bool takes_value = name == "--port" || name == "--size" || name == "--backlight" ||
                                 name == "--baud" || name == "--rom";
        if (takes_value && !value) {
            if (i + 1 >= arguments.size()) {
                result.error = "option " + name + " needs a value";
                return result;
            }
            value = arguments[++i];
        } else if (!takes_value && value) {
            result.error = "option " + name + " takes no value";
            return result;
        }
        if (name == "--port") {
            if (!parse_int(*value, o.port) || o.port < 1 || o.port > 8) {
                result.error = "port must be a number from 1 to 8, not '" + *value + "'";
                return result;
            }
        } else if (name == "--size") {
            const auto size = parse_size(*value);
            if (!size) {
                result.error =
                    "size must be " + std::string(size_choices()) + ", not '" + *value + "'";
                return result;
            }
            o.size = *size;
        } else if (name == "--backlight") {
            const auto light = parse_backlight(*value);
            if (!light) {
                result.error = "backlight must be " + std::string(backlight_choices()) + ", not '" +
                               *value + "'";
                return result;
            }
            o.light = *light;
        } else if (name == "--baud") {
            if (!parse_int(*value, o.baud) ||
                (o.baud != 1200 && o.baud != 2400 && o.baud != 4800 && o.baud != 9600)) {
                result.error = "baud rate must be 1200, 2400, 4800 or 9600, not '" + *value + "'";
                return result;
            }
        } else if (name == "--rom") {
            const auto table = parse_rom(*value);
            if (!table) {
                result.error = "rom must be a00 or a02, not '" + *value + "'";
                return result;
            }
            o.character_rom = *table;
        } else if (name == "--version") {
            o.version = true;
        } else if (name == "--text") {
            o.text = true;
        } else if (name == "--no-window") {
            o.no_window = true;
        } else if (name == "--help" || name == "-h") {
            o.help = true;
        } else {
            result.error = "unknown argument " + arguments[i];
            return result;
        }
    }
    if (o.no_window && !o.text) {
        result.error = "--no-window needs --text: nothing else would show the screen";
    }
    return result;
}

std::string help_text() {
    return R"(Usage: quillon-display [OPTIONS]

A character display module on the screen: a window drawn like the glass of a module, served
through a pseudo-terminal that one COM port reaches while the display runs. What Quillon's
window or quillon-send sends to that port shows here as a real module would show it.

Options:
      --port N          COM1 to COM8 (default: the first port that no environment
                        variable, ports file or other virtual display maps)
      --size COLSxROWS  16x2, 20x2, 20x4, 16x4 or 40x2 (default 20x4)
      --backlight NAME  yellow-green, blue-white or vfd-cyan (default yellow-green)
      --baud RATE       the rate the display listens at: 1200, 2400, 4800 or 9600
                        (default 9600); a sender at another rate is warned of
      --rom NAME        the character ROM: a00 (default; ASCII, katakana, Greek and
                        symbols) or a02 (Western European), as quillon-send --charset
      --text            after each burst of bytes, print the screen framed as text
                        (on a terminal, the cursor marked with ANSI underline or
                        reverse video; plain text into a pipe or a file)
      --no-window       with --text: no window, the terminal only
  -h, --help            show this text
      --version         show the version of quillon-display

Without a display (DISPLAY and WAYLAND_DISPLAY unset), --text runs without a window and
says so; without --text it stops with a message. SIGINT, SIGTERM and closing the window
end it, and the port goes back to what it was mapped to before.
)";
}

}  // namespace quillon::display
