#include "display/dot_view.h"

#include "display/glyphs.h"

namespace quillon::display {
namespace {

// The cell size of a character screen: 5 dots and one dark column, 8 rows and one dark line.
constexpr int cell_width = 5;
constexpr int cell_height = 8;

std::string pixel_dots(const screen& s) {
    std::string text;
    text.reserve(static_cast<std::size_t>((s.pixel_width + 1) * s.pixel_height));
    for (int y = 0; y < s.pixel_height; ++y) {
        for (int x = 0; x < s.pixel_width; ++x) text += s.pixel(x, y) ? '#' : '.';
        text += '\n';
    }
    return text;
}

}  // namespace

std::string dot_text(const screen& s) {
    if (s.graphic()) return pixel_dots(s);
    const int width = s.size.columns * (cell_width + 1) - 1;
    std::string text;
    text.reserve(static_cast<std::size_t>((width + 1) * (s.size.rows * (cell_height + 1) - 1)));
    const bool underline = s.cursor_shown() && s.underline_cursor;
    for (int row = 0; row < s.size.rows; ++row) {
        if (row > 0) text.append(static_cast<std::size_t>(width), '.').push_back('\n');
        for (int line = 0; line < cell_height; ++line) {
            for (int column = 0; column < s.size.columns; ++column) {
                if (column > 0) text += '.';
                unsigned dots = s.display_on ? cell_glyph(s, s.code(row, column))[line] : 0;
                if (underline && line == cell_height - 1 && row == s.cursor_row &&
                    column == s.cursor_column) {
                    dots = 0x1F;
                }
                for (unsigned bit = 0x10; bit != 0; bit >>= 1) text += (dots & bit) ? '#' : '.';
            }
            text += '\n';
        }
    }
    return text;
}

}  // namespace quillon::display
