#include "display/geometry.h"

#include <array>

namespace quillon::display {
namespace {

constexpr std::array<display_size, 5> sizes{{{16, 2}, {20, 2}, {20, 4}, {16, 4}, {40, 2}}};

}  // namespace

std::optional<display_size> parse_size(std::string_view text) {
    for (const display_size& size : sizes) {
        if (text == size_name(size)) return size;
    }
    return std::nullopt;
}

std::string size_name(display_size size) {
    return std::to_string(size.columns) + "x" + std::to_string(size.rows);
}

std::string_view size_choices() { return "16x2, 20x2, 20x4, 16x4 or 40x2"; }

int row_address(display_size size, int row) {
    // Rows 3 and 4 continue rows 1 and 2 in the same line of memory, after the glass's width.
    const int line_start = (row % 2 == 0) ? 0x00 : 0x40;
    return line_start + (row >= 2 ? size.columns : 0);
}

}  // namespace quillon::display
