// What a display should show at one moment: the model the renderer draws and the scheduler
// answers with. It is the part of a module's screen that the screens decide: the code of every
// cell of the text grid, the dots of the user characters those codes rely on, and whether the
// glass is lit. The cursor is always hidden. Graphic profiles are modelled by their text grid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/geometry.h"
#include "display/screen.h"

namespace quillon::screens {

// A symbol that family A's big mode draws itself (BIG_BEGIN ... BIG_END): its byte and the
// column it starts in. It covers all four rows; the cells it leaves are in `codes` too.
struct big_symbol_at {
    int column = 0;
    std::uint8_t symbol = ' ';
    friend bool operator==(const big_symbol_at&, const big_symbol_at&) = default;
};

struct frame {
    display::display_size grid;
    // Row by row, grid.columns * grid.rows codes.
    std::vector<std::uint8_t> codes;
    // The user characters the codes show; nothing for a slot this frame does not use (whatever
    // it holds may stay).
    std::array<std::optional<display::glyph>, 8> glyphs{};
    bool backlight = true;
    // Family A on a 4-row glass: symbols drawn by the module's big mode, left to right.
    std::vector<big_symbol_at> big;

    // A frame of blank cells.
    static frame blank(display::display_size grid);
    std::uint8_t& at(int row, int column) {
        return codes[static_cast<std::size_t>(row * grid.columns + column)];
    }
    std::uint8_t at(int row, int column) const {
        return codes[static_cast<std::size_t>(row * grid.columns + column)];
    }
    friend bool operator==(const frame&, const frame&) = default;
};

}  // namespace quillon::screens
