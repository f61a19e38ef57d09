// The lines of a settings file, through the same table as the command line.
#include <algorithm>

#include "options/option_table.h"
#include "options/small_file.h"

namespace quillon::options {
namespace {

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string apply_settings_line(std::span<const option> table, std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == '#') return {};
    const std::size_t end = line.find_first_of(" \t=");
    const std::string name(line.substr(0, end));
    const auto o = std::find_if(table.begin(), table.end(), [&](const option& entry) {
        return entry.take && entry.name == name;
    });
    if (o == table.end() || !o->in_files) return "unknown setting '" + name + "'";
    std::string_view rest = end == std::string_view::npos ? std::string_view{} : line.substr(end);
    rest = trim(rest);
    if (!rest.empty() && rest.front() == '=') rest = trim(rest.substr(1));
    const bool takes_value = !o->value.empty();
    if (!takes_value && !rest.empty()) return name + " takes no value";
    if (takes_value && !o->value_optional && rest.empty()) return name + " needs a value";
    const std::string value(rest);
    if (std::string problem = o->take(rest.empty() ? nullptr : &value); !problem.empty()) {
        return name + ": " + problem;
    }
    return {};
}

std::string apply_settings_file(std::span<const option> table, const std::string& path) {
    const small_file file = read_small_file(path);
    if (!file.problem.empty()) return file.problem;
    std::string_view rest = file.text;
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = rest.find('\n');
        if (std::string problem = apply_settings_line(table, rest.substr(0, end));
            !problem.empty()) {
            return path + ":" + std::to_string(number) + ": " + problem;
        }
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    return {};
}

}  // namespace quillon::options
