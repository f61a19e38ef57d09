// One table per program for its command line: each option once, with what it takes and what it
// does, and the help lines printed from the same table, so that the two never drift apart.
// Used by quillon-send, quillon-display and every program to come.
//
// "--name VALUE", "--name=VALUE", "-n VALUE" and "-nVALUE" give a value; "--" ends the
// options; anything else not starting with "-" is an operand.
#pragma once

#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quillon::cli {

struct option {
    std::string_view name;        // "--port"
    std::string_view short_name;  // "-p", or empty
    std::string_view value;       // what it takes, for the help ("N"); empty for a flag
    bool value_optional = false;  // "--preview[=SIZE]": the value only after "="
    std::string help;             // its help text; a line break starts another line
    // Takes the value (null for a flag, or an optional value not given); the error text, or
    // empty when the value is good.
    std::function<std::string(const std::string* value)> take;
};

// How a program words what is wrong with a command line.
struct command_line_words {
    std::string_view unknown = "unknown option ";  // followed by the argument
    bool flag_value_unknown = true;  // "--flag=x" is unknown; otherwise "takes no value"
};

struct parsed_command_line {
    std::vector<std::string> operands;
    std::string error;  // one line; empty when the line was good
};

parsed_command_line parse_command_line(const std::vector<std::string>& arguments,
                                       std::span<const option> table,
                                       const command_line_words& words = {});

// "  -p, --port N   what it does", one entry per option, the texts in one column.
std::string option_help(std::span<const option> table);

// A whole decimal number, nothing before or after it.
bool parse_int(const std::string& text, int& value);

// A list in words: "1200, 2400, 4800 or 9600".
template <typename Values>
std::string choice_words(const Values& values) {
    std::string text;
    const std::size_t count = std::size(values);
    std::size_t at = 0;
    for (const auto& v : values) {
        if (at > 0) text += at + 1 == count ? " or " : ", ";
        ++at;
        if constexpr (std::is_arithmetic_v<std::decay_t<decltype(v)>>) {
            text += std::to_string(v);
        } else {
            text += v;
        }
    }
    return text;
}

}  // namespace quillon::cli
