#include "options/words.h"

#include <charconv>

namespace quillon::options {

std::optional<long long> whole_number(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::string give_instead(std::string_view choices, std::string_view value) {
    return "give " + std::string(choices) + ", not '" + std::string(value) + "'";
}

}  // namespace quillon::options
