// A program's options as one table: each option is declared once, as data, and that one
// declaration parses the command line, parses the lines of a settings file and prints --help,
// so that the three never drift apart. Every program of Quillon keeps its options this way.
//
// On the command line an option is --NAME, --NAME VALUE or --NAME=VALUE, and one with a short
// name also -N VALUE or -NVALUE (an optional value: --NAME=VALUE, or the next argument where
// the option's takes_next accepts it); "--" ends the options, and any other argument not
// starting with "-" is an operand. In a settings file the same option is a line NAME VALUE or
// NAME=VALUE (no dashes); blank lines and lines whose first non-blank character is # are
// skipped, and only options marked in_files may stand there.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::options {

struct option {
    std::string_view name{};  // "port": --port on the command line, port in a settings file
    char short_name = 0;      // 'p' for -p; 0 for none
    std::string value{};      // what it takes, for the help ("N"); empty for a flag
    std::string help{};       // what it does, wrapped to the terminal's width; "\n" breaks a line
    // Takes the value (null for a flag, or for an optional value not given); returns what is
    // wrong with the value, which the parser prefixes with the option's name, or empty. An entry
    // without one is only listed in the help ("--" with no name: the end of the options).
    std::function<std::string(const std::string* value)> take{};
    bool value_optional = false;  // --preview[=SIZE]: a value only after "="
    // With value_optional: whether the argument after the option is its value after all
    // ("--preview 20x4"); an argument it refuses is the next option or an operand.
    std::function<bool(std::string_view next)> takes_next{};
    bool in_files = false;  // may stand as a line of a settings file
};

// A take for a flag: sets the field.
std::function<std::string(const std::string*)> set_flag(bool& field);
// A take for a value that must not be empty: stores it.
std::function<std::string(const std::string*)> set_text(std::string& field);

// --help (-h) and --version, which every program has.
option help_option(bool& help);
option version_option(bool& version, std::string_view program);

struct parsed_command_line {
    std::vector<std::string> operands;
    std::vector<std::string_view> given;  // the names of the options given, in order
    std::string error;                    // one line; empty when the line was good

    [[nodiscard]] bool was_given(std::string_view name) const;
};

// Takes the arguments in order and stops at the first problem: "unknown option --x",
// "--port needs a value", "--text takes no value", or "--port: " and what its take said.
parsed_command_line parse_command_line(std::span<const option> table,
                                       const std::vector<std::string>& arguments);

// One line of a settings file: what is wrong with it ("unknown setting 'x'", "port needs a
// value", "port: " and what its take said), or empty.
std::string apply_settings_line(std::span<const option> table, std::string_view line);

// Every line of a settings file: "PATH:LINE: " and the first line's problem, or why the file
// was not read (options/small_file.h: a regular file of at most 1 MiB, opened without
// blocking), or empty.
std::string apply_settings_file(std::span<const option> table, const std::string& path);

// One entry per option: "  -p, --port N   what it does", the texts in one column (at most 30
// characters in; a longer option starts its text on the next line), wrapped at 80 columns.
std::string option_help(std::span<const option> table);

}  // namespace quillon::options
