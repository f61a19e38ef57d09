#include "display/graphic_font.h"

#include "display/glyphs.h"

namespace quillon::display {
namespace {

// The 5x7 character of a ROM picture, from its row `top` down, turned into the columns of a
// 6x8 cell: dots in columns 0-4 and rows 0-6, column 5 and row 7 blank.
font_glyph columns_of(const glyph& rows, int top) {
    font_glyph columns{};
    for (int y = 0; y < 7; ++y) {
        const unsigned row = rows[static_cast<std::size_t>(top + y)];
        for (int x = 0; x < 5; ++x) {
            // A ROM row keeps its leftmost dot in bit 4.
            if ((row >> (4 - x)) & 1U) columns[static_cast<std::size_t>(x)] |= 1U << y;
        }
    }
    return columns;
}

std::array<font_glyph, font_glyphs> from_rom() {
    std::array<font_glyph, font_glyphs> font{};
    for (int code = font_first_code; code <= 126; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        // A00 draws a yen sign at 0x5C and an arrow at 0x7E; A02 has the backslash and the
        // tilde there, one row lower than A00 draws its characters (rows 1-7).
        const bool ascii_from_a02 = c == 0x5C || c == 0x7E;
        const auto rows = rom_glyph(c, ascii_from_a02 ? rom::a02 : rom::a00);
        font[static_cast<std::size_t>(code - font_first_code)] =
            columns_of(rows.value_or(glyph{}), ascii_from_a02 ? 1 : 0);
    }
    return font;
}

}  // namespace

const std::array<font_glyph, font_glyphs>& default_font() {
    static const std::array<font_glyph, font_glyphs> font = from_rom();
    return font;
}

}  // namespace quillon::display
