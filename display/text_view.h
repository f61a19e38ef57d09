// The glass as text for a terminal: a box-drawing frame around the rows, each row exactly the
// display's width of cells between its two "│", each cell the UTF-8 of its character. The
// cursor's cell is wrapped in ANSI attributes, which leave the row's text as it is: underline
// for the underline cursor, reverse video for the blinking block, both for both. A graphic
// screen is drawn in the same frame with Unicode half blocks, two pixel rows to a line
// (" ▀▄█"), its cursor among its pixels: a 120x32 is 16 lines of 120 characters; no ANSI.
#pragma once

#include <string>

#include "display/screen.h"

namespace quillon::display {

// A switched-off display shows blank rows and no cursor, as the glass does. Without
// mark_cursor (for a pipe or a file, where ANSI attributes would be stray bytes) the text is
// plain and the cursor is not shown.
std::string framed_text(const screen& s, bool mark_cursor = true);

}  // namespace quillon::display
