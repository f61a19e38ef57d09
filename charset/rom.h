// The character-generator ROMs a module may hold, and which character each code draws, as
// Unicode: for the views that show the glass as text and, read backwards, for text converted
// into a module's own codes (charset/rom_text.h). The eight user characters are at 0-7 and again
// at 8-15 in both.
//   A00: ASCII with a yen sign at 0x5C and arrows at 0x7E/0x7F, half-width katakana at
//        0xA1-0xDF, Greek letters and symbols at 0xE0-0xFF.
//   A02: arrows and symbols at 0x10-0x1F, ASCII with a house at 0x7F, Cyrillic and Greek letters
//        and symbols at 0x80-0x9F, and at 0xA0-0xFF nearly Latin-1.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon::charset {

enum class rom : std::uint8_t {
    a00,  // the common one: ASCII with ¥ and arrows, katakana, Greek letters and symbols
    a02,  // Western European: symbols, Cyrillic and Greek letters, then Latin-1-like letters
};

// "a00" or "a02"; nothing for another name.
std::optional<rom> parse_rom(std::string_view name);

// "A00" or "A02", as the data sheet names them.
std::string_view rom_name(rom table);

// The UTF-8 of a ROM code; empty for the user characters 0-15, which depend on their dots.
// Codes the ROM leaves empty show as a blank.
std::string_view rom_character(std::uint8_t code, rom table = rom::a00);

}  // namespace quillon::charset
