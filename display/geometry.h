// The sizes of character display a module comes in, and where each row's characters live in
// the controller's display memory.
//
// The controller (in two-line mode, as every module here runs it) has two lines of 40 bytes at
// the addresses 0x00-0x27 and 0x40-0x67. A two-row glass shows the start of each line; a
// four-row glass shows the first line on rows 1 and 3 and the second on rows 2 and 4, rows 3
// and 4 starting where rows 1 and 2 end on the glass (0x14/0x54 on a 20x4, 0x10/0x50 on a 16x4).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon::display {

struct display_size {
    int columns = 20;
    int rows = 4;
    friend bool operator==(const display_size&, const display_size&) = default;
};

inline constexpr display_size default_size{20, 4};

// "COLSxROWS" when it is one of 16x2, 20x2, 20x4, 16x4 and 40x2; nothing otherwise.
std::optional<display_size> parse_size(std::string_view text);
std::string size_name(display_size size);
// "16x2, 20x2, 20x4, 16x4 or 40x2", for messages.
std::string_view size_choices();

// Each line of display memory holds this many characters; a display shift turns it round.
inline constexpr int line_length = 40;

// The display-memory address of the first character of a row (0-based) when nothing is shifted.
int row_address(display_size size, int row);

}  // namespace quillon::display
