// The framed text of the glass, written out literally.
#include "display/text_view.h"

#include <gtest/gtest.h>

#include "display/controller.h"
#include "display/tests/commands.h"

namespace quillon::display {
namespace {

std::string framed(display_size size, const std::string& bytes) {
    serial_module module(size);
    module.feed(bytes);
    return framed_text(module.view());
}

TEST(text_view, frames_each_row_at_the_display_width) {
    const struct {
        const char* what;
        display_size size;
        std::string bytes;
        std::string text;
    } table[] = {
        {"two lines on a 16x2",
         {16, 2},
         I(0x01) + I(0x80) + "Hello" + I(0xC0) + "World",
         "┌────────────────┐\n"
         "│Hello           │\n"
         "│World           │\n"
         "└────────────────┘\n"},
        {"ROM symbols, katakana and a user character",
         {16, 2},
         I(0x40) + std::string(8, '\x1F') + I(0x80) + "\x5C\x7E\x7F\xB1\xDD\xE0\xF4" +
             std::string(1, '\0') + "\x80",
         "┌────────────────┐\n"
         "│¥→←ｱﾝαΩ⣿        │\n"
         "│                │\n"
         "└────────────────┘\n"},
        {"underline cursor",
         {16, 2},
         "Hi" + I(0x0E) + I(0x10),
         "┌────────────────┐\n"
         "│H\x1b[4mi\x1b[24m              │\n"
         "│                │\n"
         "└────────────────┘\n"},
        {"blinking block cursor on a blank",
         {16, 2},
         "Hi" + I(0x0D),
         "┌────────────────┐\n"
         "│Hi\x1b[7m \x1b[27m             │\n"
         "│                │\n"
         "└────────────────┘\n"},
        {"both cursors",
         {16, 2},
         I(0xC0) + I(0x0F),
         "┌────────────────┐\n"
         "│                │\n"
         "│\x1b[4;7m \x1b[24;27m               │\n"
         "└────────────────┘\n"},
        {"cursor past the glass is not drawn",
         {16, 2},
         I(0x0E) + I(0x90),
         "┌────────────────┐\n"
         "│                │\n"
         "│                │\n"
         "└────────────────┘\n"},
        {"display off shows nothing",
         {16, 2},
         "Hello" + I(0x0F) + I(0x08),
         "┌────────────────┐\n"
         "│                │\n"
         "│                │\n"
         "└────────────────┘\n"},
        {"20x4",
         {20, 4},
         "<LMA_CLS>" + I(0xD4) + "4th row",
         "┌────────────────────┐\n"
         "│<LMA_CLS>           │\n"
         "│                    │\n"
         "│                    │\n"
         "│4th row             │\n"
         "└────────────────────┘\n"},
    };
    for (const auto& row : table) EXPECT_EQ(framed(row.size, row.bytes), row.text) << row.what;
}

}  // namespace
}  // namespace quillon::display
