// The project's own 5x8 dot pictures of the character-generator ROM's codes 0x20-0x7F (ASCII
// with a yen sign at 0x5C and arrows at 0x7E and 0x7F), drawn for the window's glass. The other
// codes of the ROM are drawn with a font inside the cell.
#pragma once

#include <cstdint>
#include <optional>

#include "display/screen.h"

namespace quillon::display {

// The dots of a ROM code from 0x20 to 0x7F; nothing for other codes. The eighth row (the
// cursor's) is always empty.
std::optional<glyph> rom_glyph(std::uint8_t code);

// The dots a cell shows for its code: a user character for codes 0-15, the ROM picture for
// 0x20-0x7F, nothing for other codes.
std::optional<glyph> cell_glyph(const screen& s, std::uint8_t code);

}  // namespace quillon::display
