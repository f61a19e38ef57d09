// The text module's big characters: symbols four rows tall, built from its eight user
// characters. Each symbol is a map of cells, every cell one of the codes 128-135 (the user
// characters) or a blank; what those codes look like is whatever the user characters hold, so
// after a DEFINE_CHAR the big symbols show the redefined shapes, as on a real module.
#pragma once

#include <array>
#include <cstdint>

#include "display/screen.h"

namespace quillon::display {

inline constexpr int big_rows = 4;

struct big_symbol {
    // Columns it covers (4 for digits and letters, 2 for '.', '-', ':' and space); the
    // module leaves one blank column after it.
    int width = 0;
    // Row by row from the top; only the first `width` columns count.
    std::array<std::array<std::uint8_t, 4>, big_rows> cells{};
};

// The symbol a byte draws in big mode, or nullptr for a byte outside the big set (0-9, A-Z, '.',
// '-', ':' and space), which ends big mode.
const big_symbol* find_big_symbol(std::uint8_t code);

// The eight segment shapes the user characters hold at power-up and after ESC E: the pieces the
// big symbols are drawn with.
const std::array<glyph, 8>& segment_glyphs();

}  // namespace quillon::display
