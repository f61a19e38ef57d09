// A program's options as one table: each option is declared once, as data, and that one
// declaration parses the command line, parses the lines of a settings file, and prints --help.
//
// On the command line an option is --NAME, --NAME VALUE or --NAME=VALUE. In a settings file
// the same option is a line NAME VALUE or NAME=VALUE (no dashes); blank lines and lines whose
// first non-blank character is # are skipped. Only options marked in_files may stand in a file.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::bridge {

template <typename Settings>
struct option {
    std::string_view name;        // "broker": --broker on the command line, broker in a file
    std::string_view value_name;  // "URL" in the help; empty for an option without a value
    std::string_view help;        // what it does; may hold line breaks
    bool in_files;
    // Stores the value (empty for an option without one); returns what is wrong with it, or
    // an empty text when it was taken.
    std::string (*apply)(Settings& settings, const std::string& value);
};

namespace detail {
std::string_view trim(std::string_view text);
// The option's line in --help: "  --name VALUE" padded, then its help, indented.
std::string help_entry(std::string_view name, std::string_view value_name, std::string_view help);
}  // namespace detail

template <typename Settings>
const option<Settings>* find_option(std::span<const option<Settings>> table,
                                    std::string_view name) {
    for (const option<Settings>& o : table) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

// Applies the command-line arguments in order; returns the first problem, or empty.
template <typename Settings>
std::string apply_arguments(std::span<const option<Settings>> table,
                            const std::vector<std::string>& arguments, Settings& settings) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) return "unexpected argument '" + argument + "'";
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? equals : equals - 2);
        const option<Settings>* o = find_option(table, name);
        if (o == nullptr) return "unknown option --" + name;
        std::string value;
        if (equals != std::string::npos) {
            if (o->value_name.empty()) return "--" + name + " takes no value";
            value = argument.substr(equals + 1);
        } else if (!o->value_name.empty()) {
            if (i + 1 >= arguments.size()) return "--" + name + " needs a value";
            value = arguments[++i];
        }
        if (std::string problem = o->apply(settings, value); !problem.empty()) {
            return "--" + name + ": " + problem;
        }
    }
    return {};
}

// Applies one line of a settings file; returns what is wrong with it, or empty.
template <typename Settings>
std::string apply_line(std::span<const option<Settings>> table, std::string_view line,
                       Settings& settings) {
    line = detail::trim(line);
    if (line.empty() || line.front() == '#') return {};
    const std::size_t end = line.find_first_of(" \t=");
    const std::string name(line.substr(0, end));
    const option<Settings>* o = find_option(table, name);
    if (o == nullptr || !o->in_files) return "unknown setting '" + name + "'";
    std::string_view rest = end == std::string_view::npos ? std::string_view{} : line.substr(end);
    rest = detail::trim(rest);
    if (!rest.empty() && rest.front() == '=') rest = detail::trim(rest.substr(1));
    if (o->value_name.empty() && !rest.empty()) return name + " takes no value";
    if (!o->value_name.empty() && rest.empty()) return name + " needs a value";
    if (std::string problem = o->apply(settings, std::string(rest)); !problem.empty()) {
        return name + ": " + problem;
    }
    return {};
}

// The usage line, every option of the table with its help, then the closing text.
template <typename Settings>
std::string help_text(std::string_view usage, std::span<const option<Settings>> table,
                      std::string_view closing) {
    std::string text(usage);
    text += "\nOptions:\n";
    for (const option<Settings>& o : table)
        text += detail::help_entry(o.name, o.value_name, o.help);
    text += closing;
    return text;
}

}  // namespace quillon::bridge
