#include "cli/options.h"

#include <charconv>

#include "cli/parse/option_table.h"
#include "ports/names.h"
#include "ports/platform.h"
#include "ports/port_control.h"
#include "ports/ports_file.h"

namespace quillon::cli {
namespace {

// What the checks across options need to know besides the options themselves.
struct given {
    bool port = false;
    bool baud = false;
    int actions = 0;  // --map and --unmap: each is an action of its own
};

std::string none() { return {}; }

std::vector<option> option_table(options& o, given& g) {
    const auto flag = [](bool& field) {
        return [&field](const std::string*) {
            field = true;
            return none();
        };
    };
    const std::string rates = choice_words(ports::baud_rates);
    const std::string example(ports::platform::platform_words().example_device);
    return {
        {"--port", "-p", "N", false, "serial port COM1 to COM8 (default 1)",
         [&](const std::string* v) {
             g.port = true;
             if (parse_int(*v, o.port) && o.port >= 1 && o.port <= ports::port_count) return none();
             return "port must be a number from 1 to 8, not '" + *v + "'";
         }},
        {"--baud", "-b", "RATE", false, rates + " (default 9600);\nalways 8N1, no flow control",
         [&, rates](const std::string* v) {
             g.baud = true;
             if (parse_int(*v, o.baud) && ports::is_baud_rate(o.baud)) return none();
             return "baud rate must be " + rates + ", not '" + *v + "'";
         }},
        {"--device", "", "PATH", false,
         "send to this device instead of a COM port; PATH may be\n"
         "a network target tcp://HOST:PORT or rfc2217://HOST:PORT",
         [&](const std::string* v) {
             if (v->empty()) return std::string("--device needs a device path");
             o.device = *v;
             return none();
         }},
        {"--raw", "", "", false, "send the text as it is, without translating tags", flag(o.raw)},
        {"--charset", "", "NAME", false,
         "raw (default: bytes as typed), or the module's ROM, a00\n"
         "(HD44780 A00) or a02 (A02, Western European): text beyond\n"
         "ASCII is converted from UTF-8 to its codes; a missing\n"
         "character is sent as ?",
         [&](const std::string* v) {
             o.charset = display::parse_rom(*v);
             if (o.charset || *v == "raw") return none();
             return "--charset takes raw, a00 or a02, not '" + *v + "'";
         }},
        {"--rom-sheet", "", "NAME", false,
         "print each code 0x10-0xFF of the ROM a00 or a02: the\n"
         "characters --charset converts to it and its 8 rows of dots",
         [&](const std::string* v) {
             o.rom_sheet = display::parse_rom(*v);
             if (o.rom_sheet) return none();
             return "--rom-sheet takes a00 or a02, not '" + *v + "'";
         }},
        {"--quiet", "-q", "", false, "no warnings about unknown tag names or missing\ncharacters",
         flag(o.quiet)},
        {"--tags", "", "", false,
         "list every tag name with its bytes, then the other forms\nof a tag", flag(o.tags)},
        {"--dry-run", "", "", false,
         "write the bytes to standard output instead of a port,\nnothing added", flag(o.dry_run)},
        {"--preview", "", "COLSxROWS", true,
         "show the screen the bytes make on a character display\nmodule (" +
             std::string(display::size_choices()) + "; default " +
             display::size_name(display::default_size) + "), framed as\ntext; nothing is sent",
         [&](const std::string* v) {
             o.preview = v != nullptr ? display::parse_size(*v) : display::default_size;
             if (o.preview) return none();
             return "--preview takes a size of " + std::string(display::size_choices()) +
                    ", not '" + *v + "'";
         }},
        {"--list", "", "", false,
         "show COM1 to COM8: target, where the mapping comes from,\n"
         "state (found without opening: an open drops DTR, which\n"
         "resets many boards), then the serial devices no COM port maps",
         flag(o.list)},
        {"--probe", "", "", false,
         "with --list: open and close each port, which also finds ports\n"
         "that another program holds",
         flag(o.probe)},
        {"--map", "", "COMn=TARGET", false,
         "map a port in your ports file (TARGET: " + example +
             " or\nanother device, tcp://HOST:PORT or rfc2217://HOST:PORT)",
         [&](const std::string* v) {
             const auto equals = v->find('=');
             o.map_port = ports::com_port_number(v->substr(0, equals));
             if (equals == std::string::npos || o.map_port == 0) {
                 return "--map needs COMn=TARGET with n from 1 to 8, not '" + *v + "'";
             }
             o.map_target = v->substr(equals + 1);
             if (auto checked = ports::check_target(*o.map_target); !checked.problem.empty()) {
                 return "--map: " + checked.problem;
             }
             ++g.actions;
             return none();
         }},
        {"--unmap", "", "COMn", false, "remove a port's line from your ports file",
         [&](const std::string* v) {
             o.map_port = ports::com_port_number(*v);
             o.map_target.reset();
             if (o.map_port == 0) return "--unmap needs one of COM1 to COM8, not '" + *v + "'";
             ++g.actions;
             return none();
         }},
        {"--help", "-h", "", false, "show this text", flag(o.help)},
        {"--version", "", "", false, "show the version of quillon-send", flag(o.version)},
        // Taken by the parser itself; here for the help.
        {"--", "", "", false, "end of options (for a TEXT that starts with \"-\")", nullptr},
    };
}

}  // namespace

std::string options_help() {
    options o;
    given g;
    return option_help(option_table(o, g));
}

parse_result parse_options(const std::vector<std::string>& arguments) {
    parse_result result;
    options& o = result.chosen;
    given g;
    const parsed_command_line line = parse_command_line(arguments, option_table(o, g));
    if (!line.error.empty()) {
        result.error = line.error;
        return result;
    }
    if (line.operands.size() > 1) {
        result.error = "more than one TEXT given (quote the text as one argument)";
        return result;
    }
    if (!line.operands.empty()) o.text = line.operands.front();
    const bool port_given = g.port;
    const bool baud_given = g.baud;
    const int actions = g.actions;
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
