#include "display/text_view.h"

#include "display/charset.h"

namespace quillon::display {
namespace {

std::string border(const char* left, const char* right, int columns) {
    std::string line = left;
    for (int c = 0; c < columns; ++c) line += "─";
    return line + right + "\n";
}

// A graphic screen's pixels, two pixel rows to a line of text: each character the upper half
// block, the lower one, the full block or a blank for the lit (ink) pixels of its column.
std::string framed_pixels(const screen& s) {
    static constexpr const char* halves[] = {" ", "▀", "▄", "█"};
    std::string text = border("┌", "┐", s.pixel_width);
    for (int y = 0; y < s.pixel_height; y += 2) {
        text += "│";
        for (int x = 0; x < s.pixel_width; ++x) {
            const bool upper = s.pixel(x, y);
            const bool lower = y + 1 < s.pixel_height && s.pixel(x, y + 1);
            text += halves[(upper ? 1 : 0) + (lower ? 2 : 0)];
        }
        text += "│\n";
    }
    return text + border("└", "┘", s.pixel_width);
}

}  // namespace

std::string framed_text(const screen& s, bool mark_cursor) {
    if (s.graphic()) return framed_pixels(s);
    const bool cursor = mark_cursor && s.cursor_shown();
    const char* start = !cursor                                   ? ""
                        : s.underline_cursor && s.blinking_cursor ? "\x1b[4;7m"
                        : s.underline_cursor                      ? "\x1b[4m"
                                                                  : "\x1b[7m";
    const char* end = !cursor                                   ? ""
                      : s.underline_cursor && s.blinking_cursor ? "\x1b[24;27m"
                      : s.underline_cursor                      ? "\x1b[24m"
                                                                : "\x1b[27m";
    std::string text = border("┌", "┐", s.size.columns);
    for (int r = 0; r < s.size.rows; ++r) {
        text += "│";
        for (int c = 0; c < s.size.columns; ++c) {
            const bool here = cursor && r == s.cursor_row && c == s.cursor_column;
            if (here) text += start;
            text += s.display_on ? cell_text(s, s.code(r, c)) : " ";
            if (here) text += end;
        }
        text += "│\n";
    }
    return text + border("└", "┘", s.size.columns);
}

}  // namespace quillon::display
