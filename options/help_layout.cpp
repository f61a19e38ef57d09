// --help's option list: each option's usage, then its text in one column, wrapped to fit a
// terminal of 80 columns.
#include <algorithm>

#include "options/option_table.h"

namespace quillon::options {
namespace {

constexpr std::size_t indent = 2;
constexpr std::size_t widest_column = 30;  // a longer usage puts its text on the next line
constexpr std::size_t line_width = 79;     // the last column stays free on an 80-column terminal

// "-p, --port N", "    --raw", "    --preview[=COLSxROWS]"; without the short names' column
// when no option of the table has one.
std::string usage_of(const option& o, bool short_column) {
    std::string text;
    if (o.short_name != 0) {
        text = std::string{'-', o.short_name} + ", ";
    } else if (short_column) {
        text = "    ";
    }
    text += "--" + std::string(o.name);
    if (!o.value.empty()) text += o.value_optional ? "[=" + o.value + "]" : " " + o.value;
    return text;
}

// The text in lines of at most `width`, broken between words and at each "\n"; a word longer
// than a line stands alone.
std::vector<std::string> wrapped(std::string_view text, std::size_t width) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line;
        for (std::size_t word = at; word < end;) {
            const std::size_t stop = std::min(text.find(' ', word), end);
            const std::string_view piece = text.substr(word, stop - word);
            if (!line.empty() && line.size() + 1 + piece.size() > width) {
                lines.push_back(std::move(line));
                line.clear();
            }
            if (!piece.empty()) {
                if (!line.empty()) line += ' ';
                line += piece;
            }
            word = stop + 1;
        }
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

}  // namespace

std::string option_help(std::span<const option> table) {
    const bool short_column =
        std::any_of(table.begin(), table.end(), [](const option& o) { return o.short_name != 0; });
    std::size_t column = 0;
    for (const option& o : table) {
        column = std::max(column, indent + usage_of(o, short_column).size() + 2);
    }
    column = std::min(column, widest_column);
    std::string text;
    for (const option& o : table) {
        std::string line = std::string(indent, ' ') + usage_of(o, short_column);
        if (line.size() + 2 > column) {
            text += line + "\n";
            line.clear();
        }
        for (const std::string& piece : wrapped(o.help, line_width - column)) {
            if (piece.empty() && line.empty()) continue;  // no help under a long usage
            if (!piece.empty()) line.resize(column, ' ');
            text += line + piece + "\n";
            line.clear();
        }
    }
    return text;
}

}  // namespace quillon::options
