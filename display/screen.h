// What the glass of a character display shows at one moment: a snapshot taken from the
// controller, drawn by the window and the text view alike.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/geometry.h"
#include "display/rom.h"

namespace quillon::display {

// One character's dots: 8 rows from the top, each the 5 low bits, bit 4 the leftmost dot.
// Row 8 is where the underline cursor is drawn.
using glyph = std::array<std::uint8_t, 8>;

struct screen {
    display_size size;
    bool display_on = true;
    // The character code shown in each cell, row by row.
    std::vector<std::uint8_t> codes;
    // The cell the cursor is on; -1 when it is on no cell the glass shows (or while the
    // address counter points into character-generator memory).
    int cursor_row = -1;
    int cursor_column = -1;
    bool underline_cursor = false;
    bool blinking_cursor = false;
    // The eight user-defined characters; codes 8-15 show them again.
    std::array<glyph, 8> custom{};
    // The ROM the module's character generator holds: what codes 16-255 draw.
    rom character_rom = rom::a00;

    std::uint8_t code(int row, int column) const {
        return codes[static_cast<std::size_t>(row * size.columns + column)];
    }
    // The codes of one row as a byte string.
    std::string row(int row) const;
    // Whether a cursor is drawn at all: the display is on, a cursor is switched on and it is
    // on a cell of the glass.
    bool cursor_shown() const {
        return display_on && (underline_cursor || blinking_cursor) && cursor_row >= 0;
    }
};

}  // namespace quillon::display
