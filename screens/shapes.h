// The dots the screens put into user characters, all of them this project's own design:
// - a bar's partial cells: 1 to 4 of the 5 dot columns lit from the left, and the full cell,
//   on dot rows 2-7 (the top row and the cursor row stay dark, so bars on adjacent rows stand
//   apart);
// - big digits two rows tall for the HD44780 (and family A's two-row glasses, whose own big
//   mode needs four rows): six pieces (a full cell, a bar at the top, at the bottom, at both,
//   and two dots for ':' and '.') of which each symbol is 3 cells wide (':' and '.' 1, '-' 2),
//   with a blank column between two symbols unless one of them is ':' or '.'.
#pragma once

#include <array>
#include <cstdint>

#include "display/screen.h"

namespace quillon::screens {

inline constexpr int bar_steps_per_cell = 5;  // the dot columns of a 5x8 cell
inline constexpr int bar_glyph_count = 5;     // 1, 2, 3, 4 and 5 columns lit
// The cell of a bar with `columns` (1-5) dot columns lit.
display::glyph bar_glyph(int columns);

inline constexpr int big2_rows = 2;
inline constexpr int big2_piece_count = 6;
const std::array<display::glyph, big2_piece_count>& big2_pieces();

struct big2_symbol {
    int width = 0;
    // Row by row; each cell a piece (0-5) or -1 for a blank cell; only `width` columns count.
    std::array<std::array<std::int8_t, 3>, big2_rows> cells{};
    bool spaced = true;  // takes a blank column from a spaced neighbour
};

// The symbol of a character: digits, ':', '.', '-' and space; nullptr for any other.
const big2_symbol* find_big2_symbol(char c);

}  // namespace quillon::screens
