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

std::vector<option> option_table(options& o) {
    const std::string example(ports::platform::platform_words().example_device);
    const std::string sizes(display::size_choices());
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
         .help = "no warnings about unknown tag names or missing characters",
         .take = set_flag(o.quiet)},
        {.name = "tags",
         .help = "list every tag name with its bytes, then the other forms of a tag",
         .take = set_flag(o.tags)},
        {.name = "dry-run",
         .help = "write the bytes to standard output instead of a port, nothing added",
         .take = set_flag(o.dry_run)},
        {.name = "preview",
         .value = "COLSxROWS",
         .help = "show the screen the bytes make on a character display module (" + sizes +
                 "; default " + display::size_name(display::default_size) +
                 "), framed as text; nothing is sent",
         .take = [&, sizes](const std::string* v) -> std::string {
             o.preview = v != nullptr ? display::parse_size(*v) : display::default_size;
             if (o.preview) return {};
             return quillon::options::give_instead(sizes, *v);
         },
         .value_optional = true},
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
    return quillon::options::option_help(option_table(o));
}

parse_result parse_options(const std::vector<std::string>& arguments) {
    parse_result result;
    options& o = result.chosen;
    const auto line = quillon::options::parse_command_line(option_table(o), arguments);
    if (!line.error.empty()) {
        result.error = line.error;
        return result;
    }
    if (line.operands.size() > 1) {
        result.error = "more than one TEXT given (quote the text as one argument)";
        return result;
    }
    if (!line.operands.empty()) o.text = line.operands.front();
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
    }
    return result;
}

}  // namespace quillon::cli
