#include "cli/options.h"

#include <algorithm>
#include <charconv>

#include "ports/names.h"
#include "ports/port_control.h"
#include "ports/ports_file.h"

namespace quillon::cli {
namespace {

bool parse_int(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

}  // namespace

parse_result parse_options(const std::vector<std::string>& arguments) {
    parse_result result;
    options& o = result.chosen;
    bool port_given = false;
    bool baud_given = false;
    bool options_ended = false;
    int actions = 0;  // --map and --unmap: each is an action of its own
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            if (o.text) {
                result.error = "more than one TEXT given (quote the text as one argument)";
                return result;
            }
            o.text = arg;
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }

        // Options with a value: "-p 2", "-p2", "--port 2", "--port=2".
        std::string name = arg;
        std::optional<std::string> value;
        if (arg.rfind("--", 0) == 0) {
            if (const auto equals = arg.find('='); equals != std::string::npos) {
                name = arg.substr(0, equals);
                value = arg.substr(equals + 1);
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            value = arg.substr(2);
        }
        const bool takes_value = name == "-p" || name == "--port" || name == "-b" ||
                                 name == "--baud" || name == "--device" || name == "--map" ||
                                 name == "--unmap" || name == "--charset";
        if (takes_value && !value) {
            if (i + 1 >= arguments.size()) {
                result.error = "option " + name + " needs a value";
                return result;
            }
            value = arguments[++i];
        } else if (!takes_value && value && name != "--preview") {
            result.error = "unknown option " + arg;
            return result;
        }

        if (name == "--dry-run") {
            o.dry_run = true;
        } else if (name == "--preview") {
            o.preview = value ? display::parse_size(*value) : display::default_size;
            if (!o.preview) {
                result.error = "--preview takes a size of " + std::string(display::size_choices()) +
                               ", not '" + *value + "'";
                return result;
            }
        } else if (name == "--tags") {
            o.tags = true;
        } else if (name == "--quiet" || name == "-q") {
            o.quiet = true;
        } else if (name == "--charset") {
            o.charset = display::parse_rom(*value);
            if (!o.charset && *value != "raw") {
                result.error = "--charset takes raw, a00 or a02, not '" + *value + "'";
                return result;
            }
        } else if (name == "--raw") {
            o.raw = true;
        } else if (name == "--list") {
            o.list = true;
        } else if (name == "--probe") {
            o.probe = true;
        } else if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else if (name == "-p" || name == "--port") {
            if (!parse_int(*value, o.port) || o.port < 1 || o.port > 8) {
                result.error = "port must be a number from 1 to 8, not '" + *value + "'";
                return result;
            }
            port_given = true;
        } else if (name == "-b" || name == "--baud") {
            const auto& rates = ports::baud_rates;
            if (!parse_int(*value, o.baud) ||
                std::find(rates.begin(), rates.end(), o.baud) == rates.end()) {
                result.error = "baud rate must be 1200, 2400, 4800 or 9600, not '" + *value + "'";
                return result;
            }
            baud_given = true;
        } else if (name == "--map") {
            const auto equals = value->find('=');
            o.map_port = ports::com_port_number(value->substr(0, equals));
            if (equals == std::string::npos || o.map_port == 0) {
                result.error = "--map needs COMn=TARGET with n from 1 to 8, not '" + *value + "'";
                return result;
            }
            o.map_target = value->substr(equals + 1);
            if (auto checked = ports::check_target(*o.map_target); !checked.problem.empty()) {
                result.error = "--map: " + checked.problem;
                return result;
            }
            ++actions;
        } else if (name == "--unmap") {
            o.map_port = ports::com_port_number(*value);
            o.map_target.reset();
            if (o.map_port == 0) {
                result.error = "--unmap needs one of COM1 to COM8, not '" + *value + "'";
                return result;
            }
            ++actions;
        } else if (name == "--device") {
            if (value->empty()) {
                result.error = "--device needs a device path";
                return result;
            }
            o.device = *value;
        } else {
            result.error = "unknown option " + arg;
            return result;
        }
    }
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
