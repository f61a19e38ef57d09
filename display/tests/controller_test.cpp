// The controller and the serial module, fed byte sequences as a sender would send them: each row
// of a table is the bytes, then the rows the glass shows and the cell the cursor is on (-1, -1:
// on no cell of the glass), as the controller's datasheet describes the behaviour.
#include "display/controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/tests/commands.h"

namespace quillon::display {
namespace {

struct shown {
    const char* what;
    display_size size;
    std::string bytes;
    std::vector<std::string> rows;
    int cursor_row;
    int cursor_column;
};

void expect_shown(const std::vector<shown>& table) {
    for (const shown& c : table) {
        SCOPED_TRACE(c.what);
        serial_module module(c.size);
        module.feed(c.bytes);
        const screen s = module.view();
        ASSERT_EQ(static_cast<int>(c.rows.size()), s.size.rows);
        for (int r = 0; r < s.size.rows; ++r) EXPECT_EQ(s.row(r), c.rows[r]) << "row " << r + 1;
        EXPECT_EQ(s.cursor_row, c.cursor_row);
        EXPECT_EQ(s.cursor_column, c.cursor_column);
    }
}

const std::vector<std::string> blank_20x4{blank20, blank20, blank20, blank20};

TEST(controller, characters_land_at_the_counter_and_the_line_commands_move_it) {
    expect_shown({
        {"power-up", {20, 4}, "", blank_20x4, 0, 0},
        {"text", {20, 4}, "Hello", {"Hello               ", blank20, blank20, blank20}, 0, 5},
        {"two lines",
         {20, 4},
         I(0x01) + I(0x80) + "Hello" + I(0xC0) + "World",
         {"Hello               ", "World               ", blank20, blank20},
         1,
         5},
        {"rows 3 and 4",
         {20, 4},
         I(0x94) + "Three" + I(0xD4) + "Four",
         {blank20, blank20, "Three               ", "Four                "},
         3,
         4},
        {"a 21st character on row 1 lands on row 3",
         {20, 4},
         "ABCDEFGHIJKLMNOPQRSTU",
         {"ABCDEFGHIJKLMNOPQRST", blank20, "U                   ", blank20},
         2,
         1},
        {"0x27 is followed by 0x40",
         {20, 4},
         I(0xA7) + "XY",
         {blank20, "Y                   ", "                   X", blank20},
         1,
         1},
        {"0x67 is followed by 0x00",
         {20, 4},
         I(0xE7) + "XY",
         {"Y                   ", blank20, blank20, "                   X"},
         0,
         1},
        {"the zero byte is user character 0",
         {20, 4},
         std::string("A\0B", 3),
         {std::string("A\0B                 ", 20), blank20, blank20, blank20},
         0,
         3},
        {"a prefix before a prefix sets address 0x7E, which holds nothing",
         {20, 4},
         I(0xFE) + "AB",
         blank_20x4,
         0,
         0},
        {"addresses between the lines hold nothing and lead to the second",
         {20, 4},
         I(0xBF) + "AB",
         {blank20, "B                   ", blank20, blank20},
         1,
         1},
        {"function set is taken and changes nothing",
         {20, 4},
         I(0x20) + I(0x38) + "Hi",
         {"Hi                  ", blank20, blank20, blank20},
         0,
         2},
    });
}

TEST(controller, the_counter_wraps_across_rows_as_the_chip_does_in_every_size) {
    const std::string forty = "0123456789012345678901234567890123456789";
    const std::string letters = "abcdefghijabcdefghijabcdefghijabcdefghij";
    expect_shown({
        {"16x2 line 1 full", {16, 2}, forty + "X", {"0123456789012345", "X               "}, 1, 1},
        {"16x2 line 2 full",
         {16, 2},
         I(0xC0) + letters + "Y",
         {"Y               ", "abcdefghijabcdef"},
         0,
         1},
        {"16x2 past the glass",
         {16, 2},
         "0123456789ABCDEFG",
         {"0123456789ABCDEF", blank16},
         -1,
         -1},
        {"20x2 line 1 full",
         {20, 2},
         forty + "X",
         {"01234567890123456789", "X                   "},
         1,
         1},
        {"20x2 line 2 full",
         {20, 2},
         I(0xC0) + letters + "Y",
         {"Y                   ", "abcdefghijabcdefghij"},
         0,
         1},
        {"20x4 line 1 full",
         {20, 4},
         forty + "X",
         {"01234567890123456789", "X                   ", "01234567890123456789", blank20},
         1,
         1},
        {"20x4 line 2 full",
         {20, 4},
         I(0xC0) + letters + "Y",
         {"Y                   ", "abcdefghijabcdefghij", blank20, "abcdefghijabcdefghij"},
         0,
         1},
        {"16x4 line 1 full",
         {16, 4},
         forty + "X",
         {"0123456789012345", "X               ", "6789012345678901", blank16},
         1,
         1},
        {"16x4 line 2 full",
         {16, 4},
         I(0xC0) + letters + "Y",
         {"Y               ", "abcdefghijabcdef", blank16, "ghijabcdefghijab"},
         0,
         1},
        {"16x4 row 3 starts at 0x10",
         {16, 4},
         I(0x90) + "R3" + I(0xD0) + "R4",
         {blank16, blank16, "R3              ", "R4              "},
         3,
         2},
        {"40x2 line 1 full",
         {40, 2},
         forty + "X",
         {"0123456789012345678901234567890123456789", "X                                       "},
         1,
         1},
        {"40x2 line 2 full",
         {40, 2},
         I(0xC0) + letters + "Y",
         {"Y                                       ", "abcdefghijabcdefghijabcdefghijabcdefghij"},
         0,
         1},
    });
}

TEST(controller, clear_and_home_reset_the_shift_and_clear_restores_increment) {
    expect_shown({
        {"a shift left shows the line from 0x01, row 3 ending with 0x00",
         {20, 4},
         "Hello" + I(0x18),
         {"ello                ", blank20, "                   H", blank20},
         0,
         4},
        {"clear after a shift",
         {20, 4},
         "Hello" + I(0x18) + I(0x18) + I(0x01) + "Hi",
         {"Hi                  ", blank20, blank20, blank20},
         0,
         2},
        {"home after a shift keeps the text",
         {20, 4},
         "Hello" + I(0x18) + I(0x18) + I(0x02),
         {"Hello               ", blank20, blank20, blank20},
         0,
         0},
        {"clear after decrement mode writes forwards again",
         {20, 4},
         I(0x04) + I(0x01) + "AB",
         {"AB                  ", blank20, blank20, blank20},
         0,
         2},
        {"clear keeps shift-on-write",
         {20, 4},
         I(0x07) + I(0x01) + "AB",
         {blank20, blank20, "                  AB", blank20},
         0,
         0},
    });
}

TEST(controller, decrement_mode_writes_backwards_and_wraps_the_other_way) {
    expect_shown({
        {"backwards",
         {20, 4},
         I(0x8A) + I(0x04) + "ABC",
         {"        CBA         ", blank20, blank20, blank20},
         0,
         7},
        {"0x40 is preceded by 0x27",
         {20, 4},
         I(0xC0) + I(0x04) + "XY",
         {blank20, "X                   ", "                   Y", blank20},
         2,
         18},
        {"0x00 is preceded by 0x67",
         {20, 4},
         I(0x04) + "XY",
         {"X                   ", blank20, blank20, "                   Y"},
         3,
         18},
        {"with shift-on-write the display moves right",
         {20, 4},
         I(0x8A) + I(0x05) + "AB",
         {"           BA       ", blank20, blank20, blank20},
         0,
         10},
    });
}

TEST(controller, a_display_shift_turns_the_window_round_each_40_byte_line) {
    const std::string forty = "0123456789012345678901234567890123456789";
    std::string twenty_left;
    for (int i = 0; i < 20; ++i) twenty_left += I(0x18);
    expect_shown({
        {"right by one",
         {20, 2},
         "Hello" + I(0xC0) + "World" + I(0x1C),
         {" Hello              ", " World              "},
         1,
         6},
        {"a 40x2 turned left by one",
         {40, 2},
         forty + I(0x18),
         {"1234567890123456789012345678901234567890", "                                        "},
         1,
         39},
        {"a 20x4 turned left by 20 swaps rows 1 and 3",
         {20, 4},
         "Hello" + I(0x94) + "There" + twenty_left,
         {"There               ", blank20, "Hello               ", blank20},
         0,
         5},
        {"40 shifts are none",
         {16, 2},
         "Hi" + twenty_left + twenty_left,
         {"Hi              ", blank16},
         0,
         2},
        {"shift-on-write keeps the cursor in place",
         {16, 2},
         I(0x87) + I(0x07) + "ABC",
         {"    ABC         ", blank16},
         0,
         7},
    });
}

TEST(controller, a_cursor_shift_moves_the_counter_only) {
    expect_shown({
        {"left twice then overwrite",
         {20, 2},
         "AB" + I(0x10) + I(0x10) + "C",
         {"CB                  ", blank20},
         0,
         1},
        {"right leaves a gap",
         {20, 2},
         "A" + I(0x14) + "B",
         {"A B                 ", blank20},
         0,
         3},
        {"left from 0x00 goes to 0x67", {20, 4}, I(0x10), blank_20x4, 3, 19},
        {"right from 0x27 goes to 0x40", {20, 2}, I(0xA7) + I(0x14), {blank20, blank20}, 1, 0},
    });
}

TEST(controller, display_control_switches_the_glass_and_the_two_cursors) {
    const struct {
        std::string bytes;
        bool on, underline, blink, shown;
    } table[] = {
        {"", true, false, false, false},
        {I(0x08), false, false, false, false},
        {I(0x0C), true, false, false, false},
        {I(0x0E), true, true, false, true},
        {I(0x0D), true, false, true, true},
        {I(0x0F), true, true, true, true},
        {I(0x0B), false, true, true, false},
        {I(0x0E) + I(0x40), true, true, false, false},
        {I(0x0E) + I(0x40) + I(0x80), true, true, false, true},
    };
    for (const auto& row : table) {
        serial_module module;
        module.feed(row.bytes);
        const screen s = module.view();
        EXPECT_EQ(s.display_on, row.on) << testing::PrintToString(row.bytes);
        EXPECT_EQ(s.underline_cursor, row.underline) << testing::PrintToString(row.bytes);
        EXPECT_EQ(s.blinking_cursor, row.blink) << testing::PrintToString(row.bytes);
        EXPECT_EQ(s.cursor_shown(), row.shown) << testing::PrintToString(row.bytes);
    }
}

TEST(controller, character_memory_defines_eight_characters_that_8_to_15_show_again) {
    const std::string heart("\x00\x0A\x1F\x1F\x0E\x04\x00\x00", 8);
    const struct {
        const char* what;
        std::string bytes;
        int character;
        glyph dots;
        std::string row1;
    } table[] = {
        {"character 0 shown as 0 and 8",
         I(0x40) + heart + I(0x80) + std::string("\0\x08", 2),
         0,
         {0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00},
         std::string("\0\x08                  ", 20)},
        {"character 1 starts at 0x48",
         I(0x48) + "\x11\x12\x13\x14\x15\x16\x17\x18",
         1,
         {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18},
         blank20},
        {"only the low five bits count",
         I(0x40) + "\xFF\xE0\x35",
         0,
         {0x1F, 0x00, 0x15, 0, 0, 0, 0, 0},
         blank20},
        {"the address wraps from 0x3F to 0x00",
         I(0x7F) + "\x1F\x15",
         0,
         {0x15, 0, 0, 0, 0, 0, 0, 0},
         blank20},
        {"decrement writes upwards",
         I(0x4A) + I(0x04) + "\x01\x02\x03",
         1,
         {0x03, 0x02, 0x01, 0, 0, 0, 0, 0},
         blank20},
        {"writes here never shift the display",
         I(0x07) + I(0x40) + "\x01\x02" + I(0x80) + "A",
         0,
         {0x01, 0x02, 0, 0, 0, 0, 0, 0},
         blank20},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        serial_module module;
        module.feed(row.bytes);
        const screen s = module.view();
        EXPECT_EQ(s.custom[static_cast<std::size_t>(row.character)], row.dots);
        EXPECT_EQ(s.row(0), row.row1);
    }
    // The last row above: "A" went to 0x00 and shifted the display by one, only once.
    serial_module module;
    module.feed(I(0x07) + I(0x40) + "\x01\x02" + I(0x80) + "A");
    EXPECT_EQ(module.chip().shift(), 1);
}

TEST(serial_module, a_prefix_at_the_end_of_one_piece_makes_the_next_byte_an_instruction) {
    serial_module module({16, 2});
    module.feed("ab\xFE");
    module.feed("\xC0xy");
    const screen s = module.view();
    EXPECT_EQ(s.row(0), "ab              ");
    EXPECT_EQ(s.row(1), "xy              ");
    EXPECT_EQ(s.cursor_row, 1);
    EXPECT_EQ(s.cursor_column, 2);
}

}  // namespace
}  // namespace quillon::display
