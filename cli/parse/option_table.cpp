#include "cli/parse/option_table.h"

#include <algorithm>
#include <charconv>

namespace quillon::cli {
namespace {

const option* find(std::span<const option> table, std::string_view name) {
    const auto it = std::find_if(table.begin(), table.end(), [&](const option& o) {
        return o.name == name || (!o.short_name.empty() && o.short_name == name);
    });
    return it == table.end() ? nullptr : &*it;
}

std::string usage_of(const option& o) {
    std::string text = o.short_name.empty() ? "    " : std::string(o.short_name) + ", ";
    text += o.name;
    if (!o.value.empty()) {
        text += o.value_optional ? "[=" + std::string(o.value) + "]" : " " + std::string(o.value);
    }
    return text;
}

}  // namespace

bool parse_int(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

parsed_command_line parse_command_line(const std::vector<std::string>& arguments,
                                       std::span<const option> table,
                                       const command_line_words& words) {
    parsed_command_line result;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            result.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        // "--name=value", or a short name with its value glued on: "-p2".
        std::string name = arg;
        std::string value;
        bool has_value = false;
        if (arg.starts_with("--")) {
            if (const auto equals = arg.find('='); equals != std::string::npos) {
                name = arg.substr(0, equals);
                value = arg.substr(equals + 1);
                has_value = true;
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            value = arg.substr(2);
            has_value = true;
        }
        const option* o = find(table, name);
        if (o == nullptr) {
            result.error = std::string(words.unknown) + arg;
            return result;
        }
        const bool takes_value = !o->value.empty();
        if (takes_value && !o->value_optional && !has_value) {
            if (i + 1 >= arguments.size()) {
                result.error = "option " + name + " needs a value";
                return result;
            }
            value = arguments[++i];
            has_value = true;
        } else if (!takes_value && has_value) {
            result.error = words.flag_value_unknown ? std::string(words.unknown) + arg
                                                    : "option " + name + " takes no value";
            return result;
        }
        result.error = o->take(has_value ? &value : nullptr);
        if (!result.error.empty()) return result;
    }
    return result;
}

std::string option_help(std::span<const option> table) {
    std::size_t column = 0;
    for (const option& o : table) column = std::max(column, usage_of(o).size());
    column += 4;  // two to indent, two to part the columns
    std::string text;
    for (const option& o : table) {
        std::string line = "  " + usage_of(o);
        line.resize(column, ' ');
        for (std::size_t at = 0; at <= o.help.size();) {
            const auto end = std::min(o.help.find('\n', at), o.help.size());
            text += line + o.help.substr(at, end - at) + "\n";
            line.assign(column, ' ');
            at = end + 1;
        }
    }
    return text;
}

}  // namespace quillon::cli
