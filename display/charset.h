// The character sets of the HD44780 ROMs as Unicode, for the views that show the glass as text
// and, read backwards, for text converted into a module's own codes (display/rom_text.h). The
// eight user characters are at 0-7 and again at 8-15 in both.
//   A00: ASCII with a yen sign at 0x5C and arrows at 0x7E/0x7F, half-width katakana at
//        0xA1-0xDF, Greek letters and symbols at 0xE0-0xFF.
//   A02: arrows and symbols at 0x10-0x1F, ASCII with a house at 0x7F, Cyrillic and Greek letters
//        and symbols at 0x80-0x9F, and at 0xA0-0xFF nearly Latin-1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "display/screen.h"

namespace quillon::display {

// The UTF-8 of a ROM code; empty for the user characters 0-15, which depend on their dots.
// Codes the ROM leaves empty show as a blank.
std::string_view rom_character(std::uint8_t code, rom table = rom::a00);

// A user character in one text cell: the Braille pattern whose 2x4 dots come closest to its
// 5x8 dots (each Braille dot lit when any dot of its part of the picture is).
std::string braille_picture(const glyph& dots);

// The UTF-8 a cell shows: the ROM character, or the picture of a user character.
std::string cell_text(const screen& s, std::uint8_t code);

}  // namespace quillon::display
