#include "cli/options.h"

#include <algorithm>

#include "options/option_table.h"
#include "options/standard/display_options.h"
#include "options/standard/port_options.h"
#include "options/words.h"
#include "ports/names.h"
#include "ports/platform.h"
#include "ports/ports_file.h"

namespace quillon::cli {
namespace {

using quillon::options::option;
using quillon::options::set_flag;

// "hd44780: 16x2, 20x2, 20x4, 16x4 or 40x2 (default 20x4); ...; graphic: 120x32; ...".
std::string sizes_of_every_module() {
    std::string text;
    for (const display::profile_facts& f : display::all_profiles()) {
        if (!text.empty()) text += "; ";
        text += std::string(f.name) + ": " + display::size_choices(f.id);
        if (f.sizes.size() > 1) text += " (default " + display::size_name(f.default_size) + ")";
    }
    return text;
}

// A SIZE standing on its own after --preview: digits, "x", digits. Whether the module comes in
// it is checked once the whole line is read, since --module may follow.
bool looks_like_size(std::string_view text) {
    const auto x = text.find('x');
    const auto digits = [](std::string_view part) {
        return !part.empty() &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return x != std::string_view::npos && digits(text.substr(0, x)) && digits(text.substr(x + 1));
}

option module_choice(display::profile& module) {
    option chosen = quillon::options::module_option(module);
    chosen.help +=
        ": what --preview emulates; a send or --dry-run warns of each tag name meant for "
        "another kind (quillon-send --tags groups them)";
    return chosen;
}

// `preview_size` receives --preview's SIZE as typed, empty when none was given.
std::vector<option> option_table(options& o, std::string& preview_size) {
    const std::string example(ports::platform::platform_words().example_device);
    return {
        quillon::options::port_option(o.port, "1", 'p'),
        quillon::options::baud_option(o.baud, "always 8N1, no flow control", 'b'),
        {.name = "device",
         .value = "PATH",
         .help = "send to this device instead of a COM port; PATH may be a network target "
                 "tcp://HOST:PORT or rfc2217://HOST:PORT",
         .take = [&](const std::string* v) -> std::string {
             if (v->empty()) return "give a device path";
             o.device = *v;
             return {};
         }},
        {.name = "raw",
         .help = "send the text as it is, without translating tags",
         .take = set_flag(o.raw)},
        quillon::options::charset_option(o.charset,
                                         "text beyond ASCII is converted from UTF-8 to its codes; "
                                         "a missing character is sent as ?"),
        {.name = "rom-sheet",
         .value = "NAME",
         .help = "print each code 0x10-0xFF of the ROM a00 or a02: the characters --charset "
                 "converts to it and its 8 rows of dots",
         .take = [&](const std::string* v) -> std::string {
             o.rom_sheet = display::parse_rom(*v);
             if (o.rom_sheet) return {};
             return "give a00 or a02, not '" + *v + "'";
         }},
        {.name = "quiet",
         .short_name = 'q',
         .help = "no warnings about the text (unknown or broken tags, characters the ROM lacks or "
                 "a module shows otherwise) and no progress",
         .take = set_flag(o.quiet)},
        {.name = "strict",
         .help = "a warning about the text ends the run with exit code 2 before anything is sent "
                 "or written (told even with --quiet); text from standard input is then read to "
                 "its end first",
         .take = set_flag(o.strict)},
        {.name = "tags",
         .help = "list every tag name with its bytes, then the other forms of a tag",
         .take = set_flag(o.tags)},
        {.name = "dry-run",
         .help = "write the bytes to standard output instead of a port, nothing added",
         .take = set_flag(o.dry_run)},
        {.name = "preview",
         .value = "SIZE",
         .help = "show the screen the bytes make on the --module, framed as text (a graphic "
                 "module's pixels in half blocks, two rows to a line); nothing is sent. SIZE is "
                 "in cells or pixels: " +
                 sizes_of_every_module() +
                 ". It may follow as the next argument, so a TEXT such as 20x4 right after "
                 "--preview needs -- before it",
         .take = [&](const std::string* v) -> std::string {
             o.preview = display::display_size{};  // the module's, once the line is read
             preview_size = v != nullptr ? *v : std::string();
             return {};
         },
         .value_optional = true,
         .takes_next = looks_like_size},
        {.name = "dots",
         .help = "with --preview: print the glass as dots, one line per dot row, # lit and . "
                 "dark: each cell's 8 rows of 5 dots (the 8th the cursor row) with one dark "
                 "column and line between cells, or a graphic module's pixels as they are",
         .take = set_flag(o.dots)},
        module_choice(o.module),
        {.name = "list",
         .help = "show COM1 to COM8: target, where the mapping comes from, state (found without "
                 "opening: an open drops DTR, which resets many boards), then the serial devices "
                 "no COM port maps",
         .take = set_flag(o.list)},
        {.name = "probe",
         .help = "with --list: open and close each port, which also finds ports that another "
                 "program holds",
         .take = set_flag(o.probe)},
        {.name = "map",
         .value = "COMn=TARGET",
         .help = "map a port in your ports file (TARGET: " + example +
                 " or another device, tcp://HOST:PORT or rfc2217://HOST:PORT), the port's "
                 "settings after it in the same argument (charset=a00)",
         .take = [&](const std::string* v) -> std::string {
             const auto equals = v->find('=');
             o.map_port = ports::com_port_number(v->substr(0, equals));
             if (equals == std::string::npos || o.map_port == 0) {
                 return quillon::options::give_instead(
                     "COMn=TARGET with n from 1 to " + std::to_string(ports::port_count), *v);
             }
             o.map_target = v->substr(equals + 1);
             return ports::check_mapping(*o.map_target).problem;
         }},
        {.name = "unmap",
         .value = "COMn",
         .help = "remove a port's line from your ports file",
         .take = [&](const std::string* v) -> std::string {
             o.map_port = ports::com_port_number(*v);
             o.map_target.reset();
             if (o.map_port != 0) return {};
             return quillon::options::give_instead(
                 "one of COM1 to COM" + std::to_string(ports::port_count), *v);
         }},
        quillon::options::help_option(o.help),
        quillon::options::version_option(o.version, "quillon-send"),
        // Taken by the parser itself; here for the help.
        {.help = "end of options (for a TEXT that starts with \"-\")"},
    };
}

}  // namespace

std::string options_help() {
    options o;
    std::string preview_size;
    return quillon::options::option_help(option_table(o, preview_size));
}

parse_result parse_options(const std::vector<std::string>& arguments) {
    parse_result result;
    options& o = result.chosen;
    std::string preview_size;
    const auto line =
        quillon::options::parse_command_line(option_table(o, preview_size), arguments);
    if (!line.error.empty()) {
        result.error = line.error;
        return result;
    }
    o.module_named = line.was_given("module");
    if (o.preview) {
        const display::profile_facts& module = display::facts(o.module);
        o.preview = preview_size.empty() ? module.default_size
                                         : display::parse_size(o.module, preview_size);
        if (!o.preview) {
            result.error = "--preview: " + quillon::options::give_instead(
                                               display::size_choices(o.module) + " (--module " +
                                                   std::string(module.name) + ")",
                                               preview_size);
            return result;
        }
    }
    if (line.operands.size() > 1) {
        result.error = "more than one TEXT given (quote the text as one argument)";
        return result;
    }
    if (!line.operands.empty()) o.text = line.operands.front();
    o.charset_given = line.was_given("charset");
    const bool port_given = line.was_given("port");
    const bool baud_given = line.was_given("baud");
    const auto actions =
        std::count_if(line.given.begin(), line.given.end(),
                      [](std::string_view name) { return name == "map" || name == "unmap"; });
    // An edit of the ports file is the one thing a run does: nothing is sent or shown beside it.
    if (actions > 1 || (actions == 1 && (o.list || o.preview || o.dry_run || o.text))) {
        result.error =
            "--map and --unmap go alone: one of them, without --list, --preview, --dry-run or TEXT";
    } else if (o.preview && (o.dry_run || port_given || baud_given || o.device || o.list)) {
        result.error =
            "--preview sends nothing: it goes with TEXT or standard input, and --raw (not with "
            "--port, --baud, --device, --dry-run or --list)";
    } else if (port_given && o.device) {
        result.error = "give either --port or --device, not both";
    } else if (o.probe && !o.list) {
        result.error = "--probe goes with --list";
    } else if (o.dots && !o.preview) {
        result.error = "--dots goes with --preview";
    }
    return result;
}

}  // namespace quillon::cli
