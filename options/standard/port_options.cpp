#include "options/standard/port_options.h"

#include "options/words.h"
#include "ports/names.h"
#include "ports/port_control.h"

namespace quillon::options {

option port_option(int& port, std::string_view default_words, char short_name) {
    const std::string range = "1 to " + std::to_string(ports::port_count);
    return {.name = "port",
            .short_name = short_name,
            .value = "N",
            .help = "serial port COM1 to COM" + std::to_string(ports::port_count) + " (default " +
                    std::string(default_words) + ")",
            .take = [&port, range](const std::string* value) -> std::string {
                const auto number = whole_number(*value);
                if (!number || *number < 1 || *number > ports::port_count) {
                    return give_instead("a number from " + range, *value);
                }
                port = static_cast<int>(*number);
                return {};
            }};
}

std::string baud_choices() { return choice_words(ports::baud_rates); }

bool take_baud(std::string_view text, int& baud) {
    const auto number = whole_number(text);
    if (!number || !ports::is_baud_rate(*number)) return false;
    baud = static_cast<int>(*number);
    return true;
}

option baud_option(int& baud, std::string_view more, char short_name) {
    std::string help = baud_choices() + " (default " + std::to_string(baud) + ")";
    if (!more.empty()) help += "; " + std::string(more);
    return {.name = "baud",
            .short_name = short_name,
            .value = "RATE",
            .help = std::move(help),
            .take = [&baud](const std::string* value) -> std::string {
                if (take_baud(*value, baud)) return {};
                return give_instead(baud_choices(), *value);
            }};
}

}  // namespace quillon::options
