#include "options/option_table.h"

#include <algorithm>

namespace quillon::options {
namespace {

const option* find_long(std::span<const option> table, std::string_view name) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const option& o) { return o.take && o.name == name; });
    return it == table.end() ? nullptr : &*it;
}

const option* find_short(std::span<const option> table, char name) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const option& o) { return o.take && o.short_name == name; });
    return it == table.end() ? nullptr : &*it;
}

}  // namespace

std::function<std::string(const std::string*)> set_flag(bool& field) {
    return [&field](const std::string*) {
        field = true;
        return std::string();
    };
}

std::function<std::string(const std::string*)> set_text(std::string& field) {
    return [&field](const std::string* value) -> std::string {
        if (value->empty()) return "needs a value";
        field = *value;
        return {};
    };
}

option help_option(bool& help) {
    return {.name = "help", .short_name = 'h', .help = "show this text", .take = set_flag(help)};
}

option version_option(bool& version, std::string_view program) {
    return {.name = "version",
            .help = "show the version of " + std::string(program),
            .take = set_flag(version)};
}

bool parsed_command_line::was_given(std::string_view name) const {
    return std::find(given.begin(), given.end(), name) != given.end();
}

parsed_command_line parse_command_line(std::span<const option> table,
                                       const std::vector<std::string>& arguments) {
    parsed_command_line result;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            result.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        // The name as written ("--port", "-p") and a value glued on: "--port=2", "-p2".
        std::string written = argument;
        std::string value;
        bool has_value = false;
        const option* o = nullptr;
        if (argument.starts_with("--")) {
            if (const auto equals = argument.find('='); equals != std::string::npos) {
                written = argument.substr(0, equals);
                value = argument.substr(equals + 1);
                has_value = true;
            }
            o = find_long(table, std::string_view(written).substr(2));
        } else {
            written = argument.substr(0, 2);
            if (argument.size() > 2) {
                value = argument.substr(2);
                has_value = true;
            }
            o = find_short(table, argument[1]);
        }
        if (o == nullptr) {
            result.error = "unknown option " + written;
            return result;
        }
        const bool takes_value = !o->value.empty();
        if (takes_value && !o->value_optional && !has_value) {
            if (i + 1 >= arguments.size()) {
                result.error = written + " needs a value";
                return result;
            }
            value = arguments[++i];
            has_value = true;
        } else if (takes_value && !has_value && o->takes_next && i + 1 < arguments.size() &&
                   o->takes_next(arguments[i + 1])) {
            value = arguments[++i];
            has_value = true;
        } else if (!takes_value && has_value) {
            result.error = written + " takes no value";
            return result;
        }
        result.given.push_back(o->name);
        if (std::string problem = o->take(has_value ? &value : nullptr); !problem.empty()) {
            result.error = written + ": " + problem;
            return result;
        }
    }
    return result;
}

}  // namespace quillon::options
