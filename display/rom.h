// The character-generator ROMs a module may hold: which character each code draws.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon::display {

enum class rom : std::uint8_t {
    a00,  // the common one: ASCII with ¥ and arrows, katakana, Greek letters and symbols
    a02,  // Western European: symbols, Cyrillic and Greek letters, then Latin-1-like letters
};

// "a00" or "a02"; nothing for another name.
std::optional<rom> parse_rom(std::string_view name);

}  // namespace quillon::display
