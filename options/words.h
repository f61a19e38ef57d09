// Whole numbers and lists of choices, as every program's options read and word them.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace quillon::options {

// A whole decimal number, an optional "-" and digits with nothing before or after them; none
// for anything else, or one beyond long long.
std::optional<long long> whole_number(std::string_view text);

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

// What the takes say of a value outside the choices: "give 1200, 2400, 4800 or 9600, not '300'".
std::string give_instead(std::string_view choices, std::string_view value);

}  // namespace quillon::options
