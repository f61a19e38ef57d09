// The graphic modules' default font: a 5x7 ASCII design in 6x8 cells for the codes 32-126, the
// codes 127-191 blank. Each glyph is kept as the modules keep pictures in their memory: six
// column bytes from the left, bit 0 the top dot.
//
// The dots are the HD44780 A00 ROM's, as its data sheet draws them (rom_glyph), taken when the
// font is first used so that they follow the ROM pictures; the yen sign and the arrow that A00
// has at 0x5C and 0x7E are replaced by A02's backslash and tilde, which are the ASCII ones.
#pragma once

#include <array>
#include <cstdint>

namespace quillon::display {

inline constexpr int font_first_code = 32;
inline constexpr int font_last_code = 191;
inline constexpr int font_glyphs = font_last_code - font_first_code + 1;
inline constexpr int font_cell_width = 6;
inline constexpr int font_cell_height = 8;

// One glyph: its six columns from the left, bit 0 the top dot.
using font_glyph = std::array<std::uint8_t, font_cell_width>;

// Glyph n shows code 32 + n.
const std::array<font_glyph, font_glyphs>& default_font();

// A column byte drawn twice as tall: dot n of the byte becomes dots 2n and 2n+1.
inline constexpr std::array<std::uint16_t, 256> doubled_bits = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned doubled = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((byte >> bit) & 1U) doubled |= 3U << (2 * bit);
        }
        table[byte] = static_cast<std::uint16_t>(doubled);
    }
    return table;
}();

}  // namespace quillon::display
