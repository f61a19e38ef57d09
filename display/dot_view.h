// The glass as dots, for scripts and tests that need what a module shows exactly: one line per
// dot row, '#' lit and '.' dark.
//   A character screen: each cell's 8 rows of 5 dots (the ROM's picture or a user character;
//   the 8th row is the cursor row, where the underline cursor is drawn), the cells of a row
//   separated by one '.' column and the rows of cells by one line of '.'. A 16x2 gives 17 lines
//   of 95 dots. A display that is off is all dark. The blinking block is not drawn: the cell
//   shows its character, the phase in which the text can be read, so that one picture holds
//   the whole text (the framed text view marks the block on a terminal).
//   A graphic screen: its pixels as they are, 120 or 128 dots a line.
#pragma once

#include <string>

#include "display/screen.h"

namespace quillon::display {

std::string dot_text(const screen& s);

}  // namespace quillon::display
