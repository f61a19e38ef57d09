// The glass as text: each cell as the character its ROM code draws (the ROM tables are the text
// floor's, charset/rom.h) or, for a user character, a picture of its dots.
#pragma once

#include <cstdint>
#include <string>

#include "display/screen.h"

namespace quillon::display {

using charset::rom_character;

// A user character in one text cell: the Braille pattern whose 2x4 dots come closest to its
// 5x8 dots (each Braille dot lit when any dot of its part of the picture is).
std::string braille_picture(const glyph& dots);

// The UTF-8 a cell shows: the ROM character, or the picture of a user character.
std::string cell_text(const screen& s, std::uint8_t code);

}  // namespace quillon::display
