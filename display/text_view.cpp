#include "display/text_view.h"

#include "display/charset.h"

namespace quillon::display {
namespace {

std::string border(const char* left, const char* right, int columns) {
    std::string line = left;
    for (int c = 0; c < columns; ++c) line += "─";
    return line + right + "\n";
}

}  // namespace

std::string framed_text(const screen& s, bool mark_cursor) {
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
