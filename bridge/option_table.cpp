#include "bridge/option_table.h"

namespace quillon::bridge::detail {

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string help_entry(std::string_view name, std::string_view value_name, std::string_view help) {
    constexpr std::size_t help_column = 30;
    std::string entry = "  --" + std::string(name);
    if (!value_name.empty()) entry += " " + std::string(value_name);
    entry += entry.size() + 2 > help_column ? "\n" + std::string(help_column, ' ')
                                            : std::string(help_column - entry.size(), ' ');
    for (const char c : help) {
        entry += c;
        if (c == '\n') entry += std::string(help_column, ' ');
    }
    return entry + "\n";
}

}  // namespace quillon::bridge::detail
