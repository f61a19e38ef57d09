// What the glass of a display module shows at one moment: a snapshot taken from the module,
// drawn by the window, the text view and the dot view alike. A character module fills the cells;
// a graphic module fills the pixels, and the cells with the text it printed last (for the text
// view).
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
    // The eight user-defined characters, shown by the codes from first_custom_code on:
    // custom_codes of them, each n showing custom[n % 8] (the HD44780: 0-15; family A: 128-135).
    std::array<glyph, 8> custom{};
    std::uint8_t first_custom_code = 0;
    std::uint8_t custom_codes = 16;
    // The ROM the module's character generator holds: what the other codes draw.
    rom character_rom = rom::a00;
    // The backlight of an LCD: off, the text still shows on unlit glass. (A VFD that is off is
    // display_on = false.)
    bool backlight = true;
    // Brightness in quarter steps, 1-4 (4: full).
    int brightness = 4;
    // How many times the bell has rung since power-up; the glass marks each new ring briefly.
    unsigned bells = 0;

    // A graphic module's pixels, row by row from the top left, 1 for a lit (ink) pixel; empty for
    // a character module.
    int pixel_width = 0;
    int pixel_height = 0;
    std::vector<std::uint8_t> pixels;
    bool graphic() const { return pixel_width > 0; }
    bool pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y * pixel_width + x)] != 0;
    }
    // Whether a code shows a user character rather than a ROM picture.
    bool is_custom(std::uint8_t code) const {
        return code >= first_custom_code && code - first_custom_code < custom_codes;
    }

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

    // Every field alike: two snapshots of one module show the same glass and state.
    friend bool operator==(const screen&, const screen&) = default;
};

}  // namespace quillon::display
