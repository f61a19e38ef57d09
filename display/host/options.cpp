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
using quillon::options::set_text;

// The look a module has unless --backlight says otherwise: a VFD glows, an LCD is yellow-green.
backlight default_look(profile module) {
    return module == profile::text_vfd ? backlight::vfd_cyan : backlight::yellow_green;
}

// "hd44780: 16x2, 20x2, 20x4 (default), 16x4 or 40x2", a line per module, for the help.
std::string sizes_by_module() {
    std::string text;
    for (const profile_facts& f : all_profiles()) {
        text += "\n" + std::string(f.name) + ": ";
        for (std::size_t i = 0; i < f.sizes.size(); ++i) {
            if (i > 0) text += i + 1 == f.sizes.size() ? " or " : ", ";
            text += size_name(f.sizes[i]);
            if (f.sizes.size() > 1 && f.sizes[i] == f.default_size) text += " (default)";
        }
        if (f.graphic) text += " pixels";
    }
    return text;
}

// --size and --backlight are read once the whole line is, since what they may be and default to
// depends on --module, which can come after them.
struct deferred {
    std::string size;
    std::string light;
};

std::vector<option> option_table(options& o, deferred& later) {
    return {
        quillon::options::port_option(
            o.port,
            "the first port that no environment variable, ports file or other virtual "
            "display maps"),
        quillon::options::module_option(o.module),
        {.name = "size",
         .value = "SIZE",
         .help = "COLSxROWS of a character module, WIDTHxHEIGHT pixels of a graphic one; each "
                 "module's sizes:" +
                 sizes_by_module(),
         .take = set_text(later.size)},
        {.name = "backlight",
         .value = "NAME",
         .help = std::string(backlight_choices()) +
                 " (default vfd-cyan for text-vfd, yellow-green for the others)",
         .take = set_text(later.light)},
        quillon::options::baud_option(
            o.baud, "the rate the display listens at; a sender at another rate is warned of"),
        quillon::options::rom_option(o.character_rom,
                                     "as quillon-send --charset; character modules only"),
        {.name = "text",
         .help = "after each burst of bytes, print the screen framed as text (on a terminal, the "
                 "cursor marked with ANSI underline or reverse video; plain text into a pipe or "
                 "a file); a graphic module as quillon-send --preview draws it",
         .take = set_flag(o.text)},
        {.name = "no-window",
         .help = "with --text: no window, the terminal only",
         .take = set_flag(o.no_window)},
        quillon::options::help_option(o.help),
        quillon::options::version_option(o.version, "quillon-display"),
    };
}

// What is wrong with the size and look given for the chosen module, or empty.
std::string take_deferred(const deferred& later, bool module_given, options& o) {
    const profile_facts& module = facts(o.module);
    o.size = module.default_size;
    if (!later.size.empty()) {
        const auto size = parse_size(o.module, later.size);
        if (!size) {
            std::string choices = size_choices(o.module);
            if (module_given) choices += " for --module " + std::string(module.name);
            return "--size: " + give_instead(choices, later.size);
        }
        o.size = *size;
    }
    o.light = default_look(o.module);
    if (!later.light.empty()) {
        const auto light = parse_backlight(later.light);
        if (!light) return "--backlight: " + give_instead(backlight_choices(), later.light);
        o.light = *light;
    }
    return {};
}

}  // namespace

parsed_options parse_options(const std::vector<std::string>& arguments) {
    parsed_options result;
    options& o = result.chosen;
    deferred later;
    const auto line = quillon::options::parse_command_line(option_table(o, later), arguments);
    if (!line.error.empty()) {
        result.error = line.error;
    } else if (!line.operands.empty()) {
        result.error = "unexpected argument '" + line.operands.front() + "'";
    } else if (std::string why = take_deferred(later, line.was_given("module"), o); !why.empty()) {
        result.error = why;
    } else if (facts(o.module).graphic && line.was_given("rom")) {
        result.error = "--rom is for character modules: a graphic module draws its own font";
    } else if (o.no_window && !o.text) {
        result.error = "--no-window needs --text: nothing else would show the screen";
    }
    return result;
}

std::string help_text() {
    options o;
    deferred later;
    // Each module's name and description, the descriptions in one column, wrapped at 80.
    constexpr std::size_t column = 18;
    std::string modules;
    for (const profile_facts& f : all_profiles()) {
        std::string line = "  " + std::string(f.name);
        std::string_view words = f.description;
        while (!words.empty()) {
            const std::size_t end = words.find(' ');
            const std::string_view word = words.substr(0, end);
            words.remove_prefix(end == std::string_view::npos ? words.size() : end + 1);
            if (line.size() < column) {
                line.resize(column, ' ');
            } else if (line.size() + 1 + word.size() > 80) {
                modules += line + "\n";
                line.assign(column, ' ');
            } else {
                line += ' ';
            }
            line += word;
        }
        modules += line + "\n";
    }
    return R"(Usage: quillon-display [OPTIONS]

A display module on the screen: a window drawn like the glass of a module, served through a
pseudo-terminal that one COM port reaches while the display runs. What Quillon's window or
quillon-send sends to that port shows here as a real module would show it.

Options:
)" + quillon::options::option_help(option_table(o, later)) +
           "\nModules (--module), each answering its own family's bytes and tags:\n" + modules +
           R"(
Without a display (DISPLAY and WAYLAND_DISPLAY unset), --text runs without a window and
says so; without --text it stops with a message. SIGINT, SIGTERM and closing the window
end it, and the port goes back to what it was mapped to before.
)";
}

}  // namespace quillon::display
