// The dots the window's glass draws for each character code: every code of the A00 and A02
// character-generator ROMs as the HD44780U data sheet draws it (display/rom/), and the user
// characters.
#pragma once

#include <cstdint>
#include <optional>

#include "display/screen.h"

namespace quillon::display {

// The dots of a ROM code from 0x10 to 0xFF as a 5x8 cell shows them (the first 8 rows of the
// data sheet's character; row 8 is the cursor row), dark where the ROM leaves a code empty;
// nothing for codes 0-15, which show the user characters.
std::optional<glyph> rom_glyph(std::uint8_t code, rom table = rom::a00);

// The dots a cell shows for its code: a user character for codes 0-15, else the ROM's picture.
glyph cell_glyph(const screen& s, std::uint8_t code);

}  // namespace quillon::display
