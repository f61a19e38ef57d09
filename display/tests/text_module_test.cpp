// The text module (profiles text and text-vfd) fed bytes as a sender sends them. A-T01 ... A-T42
// name the cases of the research notes on module families; the others cover the choices made
// where those notes are silent (display/text_module.h lists them).
#include "display/text_module.h"

#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "display/big_characters.h"
#include "display/glyphs.h"

namespace quillon::display {
namespace {

// Bytes as the notes write them, in decimal.
std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (const int b : bytes) s += static_cast<char>(b);
    return s;
}

// Text after `column` blanks.
std::string at(int column, std::string_view text) { return std::string(column, ' ') += text; }

// The settings a snapshot shows, in words; full brightness and no bell go unsaid.
std::string settings_of(const screen& s) {
    std::string words = s.underline_cursor ? "underline" : s.blinking_cursor ? "block" : "hidden";
    words += s.display_on ? "" : ", dark";
    words += s.backlight ? ", lit" : ", unlit";
    if (s.brightness != 4) words += ", brightness " + std::to_string(s.brightness);
    if (s.bells != 0) words += ", bells " + std::to_string(s.bells);
    return words;
}

constexpr auto lcd = profile::text;
constexpr auto vfd = profile::text_vfd;
constexpr display_size two_rows{20, 2};

struct shown {
    const char* what;
    std::string bytes;
    // From row 0, blank-padded; rows not given are blank. The segment legend of
    // big_characters.cpp stands for the codes 128-135: # ^ _ / \ r f o.
    std::vector<std::string> rows{};
    int cursor = -1;              // linear position; -1: not checked
    std::optional<glyph> dots{};  // what the first cell shows
    std::string settings{};       // as settings_of words them; empty: not checked
    profile kind = lcd;
    display_size size{20, 4};
};

screen fed(const shown& c, bool one_by_one = false) {
    const auto m = make_module(c.kind, c.size);
    const std::size_t piece = one_by_one ? 1 : c.bytes.size();
    for (std::size_t i = 0; i < c.bytes.size(); i += piece) {
        m->feed(std::string_view(c.bytes).substr(i, piece));
    }
    return m->view();
}

void expect_shown(const std::vector<shown>& table) {
    for (const shown& c : table) {
        SCOPED_TRACE(c.what);
        const screen s = fed(c);
        for (int r = 0; r < c.size.rows; ++r) {
            std::string want = r < static_cast<int>(c.rows.size()) ? c.rows[r] : "";
            want.resize(static_cast<std::size_t>(c.size.columns), ' ');
            for (char& code : want) {
                const auto segment = std::string_view("#^_/\\rfo").find(code);
                if (segment != std::string_view::npos) code = static_cast<char>(128 + segment);
            }
            EXPECT_EQ(s.row(r), want) << "row " << r;
        }
        const int cursor = s.cursor_row * c.size.columns + s.cursor_column;
        EXPECT_EQ(c.cursor < 0 ? -1 : cursor, c.cursor);
        EXPECT_EQ(c.settings.empty() ? "" : settings_of(s), c.settings);
        EXPECT_EQ(c.dots ? cell_glyph(s, s.codes[0]) : glyph{}, c.dots.value_or(glyph{}));
    }
}

const std::string a20(20, 'A');
const std::vector<shown> printing{
    {"A-T01", B({65, 66, 67}), {"ABC"}, 3},
    {"A-T02", B({65, 66, 67, 12, 68}), {"D"}, 1},
    {"A-T03", B({72, 69, 76, 76, 79, 1, 74}), {"JELLO"}, 1},
    {"A-T21", "ABCDEFGHIJKLMNOPQRSTU", {"ABCDEFGHIJKLMNOPQRST", "U"}, 21},
    {"A-T22", std::string(80, 'A') + "B", {"B" + a20.substr(1), a20, a20, a20}, 1},
    {"A-T26", B({65, 0, 66}), {"AB"}, 2},
    {"A-T27", B({65, 19, 20, 21, 22, 23, 24, 25, 26, 66}), {"AB"}, 2},
    {"28-31 ignored", B({65, 28, 29, 30, 31, 66}), {"AB"}, 2},
    {"127 and 255 print", B({127, 255}), {"\x7F\xFF"}, 2},
    {"A-T42", B({254, 1}), {"\xFE"}, 0},
};
const std::vector<shown> positions{
    {"A-T04", B({16, 85, 90}), {"", " Z"}, 22},
    {"A-T05", B({16, 50, 49, 32, 90}), {"", " Z"}, 22},
    {"A-T06", B({16, 50, 49, 81, 90}), {"", " Z"}, 22},
    {"A-T07", B({16, 144, 90}), {"Z"}, 1},
    {"A-T08", B({16, 0, 85, 90}), {"", " Z"}, 22},
    {"0 between digits", B({16, 50, 0, 49, 32, 90}), {"", " Z"}, 22},
    {"A-T39", B({16, 80, 88, 16, 95, 89}), {"", "X              Y"}, 0, {}, "", lcd, {16, 2}},
    {"A-T40", B({16, 223, 90}), {"", "", "", at(39, "Z")}, 0, {}, "", lcd, {40, 4}},
    {"40x4 digits", B({16}) + "159.Z", {"", "", "", at(39, "Z")}, 0, {}, "", lcd, {40, 4}},
    {"1-47 abandons the 16", B({65, 16, 35, 90}), {"AZ"}, 2},
    {"99 is 19; its 13 is no RETURN", B({16, 57, 57, 13, 10, 90}), {"", at(19, "Z")}, 40},
};
const std::vector<shown> line_movement{
    {"A-T09", B({65, 66, 13, 67}), {"AB", "C"}, 21},
    {"A-T10", B({65, 66, 13, 10, 67}), {"AB", "C"}, 21},
    {"A-T11", B({65, 66, 10, 67}), {"AB", "  C"}, 23},
    {"A-T12", B({16, 124, 65, 10, 66}), {" B", "", "", "A"}, 2},
    {"A-T13", B({16, 84, 65, 11, 66}), {" B", "A"}, 2},
    {"A-T14", B({65, 11, 66}), {"A", "", "", " B"}, 62},
    {"13 from the bottom row", B({16, 124, 13, 65}), {"A"}, 1},
    {"0 keeps a 13's effect on 10", B({65, 13, 0, 10, 66}), {"A", "B"}, 21},
    {"text after 13 lets 10 act", B({65, 13, 66, 10, 67}), {"A", "B", " C"}, 42},
    {"A-T38", B({65, 66, 67, 13, 68, 69, 70, 16, 65, 17}), {"A C", "D F"}, 2},
};
const std::vector<shown> backspace_and_tab{
    {"A-T15", B({65, 9, 66}), {"A   B"}, 5},
    {"A-T16", B({65, 66, 67, 68, 9, 69}), {"ABCD    E"}, 9},
    {"A-T17", B({16, 82, 9, 90}), {"", "Z"}, 21},
    {"tab past the edge of 16 columns", B({16, 77, 9, 90}), {"", "Z"}, 17, {}, "", lcd, {16, 2}},
    {"tab past the last row's edge", B({16, 142, 9, 90}), {"Z"}, 1},
    {"A-T18", B({65, 66, 67, 8}), {"AB"}, 2},
    {"A-T19", B({16, 84, 8, 88}), {at(19, "X")}, 20},
    {"A-T20", B({8, 88}), {"", "", "", at(19, "X")}, 0},
};
const std::vector<shown> right_align{
    {"A-T28", "ABCDEFGHIJ" + B({18, 53, 52, 50, 13}), {"ABCDE   42"}, 20},
    {"A-T29", "ABCDEFGHIJ" + B({18, 53, 51, 46, 53}), {"ABCDE    3.5"}, 12},
    {"A-T30", "ABCDEFGHIJ" + B({18, 51, 87, 88, 89, 90}), {"ABCDEFGWXYZ"}, 11},
    {"A-T31", B({18, 49, 65}), {"1A"}, 2},
    {"0 ignored; back past 0", B({18, 0, 51, 55, 0, 56, 57}), {"", "", "", at(17, "789")}, 0},
    {"18 ends big mode, 3 the field", B({2, 18, 51, 52, 50, 3}), {"", "", "", at(18, "42")}, 0},
};
const std::vector<shown> big_mode{
    {"A-T34", B({2, 49, 50, 3}), {" r#  /^^\\", "  #  ___/", "  #  #", " _#_ #___"}, 10},
    {"A-T35",
     B({2, 49, 58, 50, 3}),
     {" r#     /^^\\", "  #  o  ___/", "  #  o  #", " _#_    #___"},
     13},
    {"A-T36", B({2, 53, 97}), {"#^^^ a", "#__", "   \\", "___/"}, 6},
    {"A-T37", B({2, 0, 55}), {"^^^#", "  r", " r", " #"}, 5},
    {"no room: starts at 0", B({16, 81, 2, 49}), {" r#", "  #", "  #", " _#_"}, 5},
    {"- is 2 wide, a blank after it", "ABCDEFG" + B({1, 2, 45}), {"   DEFG", "__"}, 3},
    {"ignored on two rows", B({2, 49}), {"1"}, 1, {}, "", lcd, two_rows},
};
const std::string box = B({27, 68, 48, 31, 17, 17, 17, 17, 17, 31, 0, 128});
const glyph box_dots{31, 17, 17, 17, 17, 17, 31, 0};
const glyph full{31, 31, 31, 31, 31, 31, 31, 31};
const std::vector<shown> user_glyphs{
    {"A-T32", box, {"#"}, 1, box_dots},
    {"A-T33", B({27, 68, 0, 159, 145, 145, 145, 145, 145, 159, 128, 128}), {"#"}, 1, box_dots},
    {"A-T41", box + B({27, 69, 49, 128}), {"##"}, 2, full},
    {"LCD: even ESC E restores", box + B({27, 69, 48}), {"#"}, 1, full},
    {"VFD: odd ESC E only", box + B({27, 69, 48, 128}), {"#"}, 1, box_dots, "", vfd},
    {"power-up: segments", B({133}), {"r"}, 1, glyph{3, 7, 7, 14, 14, 28, 28, 24}},
};
const std::vector<shown> escapes{
    {"graphic letters take no parameters", B({27, 80, 65, 66}), {"AB"}, 2},
    {"ESC D's rows are data, 27 too", B({27, 68, 49, 27, 0, 0, 0, 0, 0, 0, 0, 65}), {"A"}, 1},
    {"ESC W, ESC =", B({27, 87, 0, 0, 0, 0, 0, 0, 0, 0, 27, 61, 1, 2, 3, 65}), {"A"}, 1},
    {"0 after ESC is dropped", B({27, 0, 87, 1, 2, 3, 4, 5, 6, 7, 8, 65}), {"A"}, 1},
    {"ESC + a control byte takes it", B({66, 27, 12, 65}), {"BA"}, 2},
    {"VFD ESC E 0", B({65, 66, 27, 88, 0, 12, 67, 27, 69, 48}), {"AB"}, 0, {}, "", vfd},
    {"LCD ESC X stores nothing", B({65, 66, 27, 88, 0, 12, 67, 27, 69, 48}), {"C"}, 1},
};
const std::vector<shown> lights_and_bell{
    {"LCD power-up", "", {}, 0, {}, "hidden, unlit"},
    {"VFD power-up", "", {}, 0, {}, "hidden, lit", vfd},
    {"A-T23 4", B({6, 4}), {}, 0, {}, "hidden, unlit"},
    {"A-T23 5", B({5}), {}, 0, {}, "underline, unlit"},
    {"A-T23 6", B({6}), {}, 0, {}, "block, unlit"},
    {"VFD ignores 5", B({6, 5}), {}, 0, {}, "block, lit", vfd},
    {"A-T24 15", B({14, 65, 15}), {"A"}, 1, {}, "hidden, unlit"},
    {"A-T24 14", B({65, 15, 14}), {"A"}, 1, {}, "hidden, lit"},
    {"VFD 15 still writes", B({65, 15, 66}), {"AB"}, 2, {}, "hidden, dark, lit", vfd},
    {"VFD 14", B({15, 14}), {}, 0, {}, "hidden, lit", vfd},
    {"A-T25", B({65, 7, 66}), {"AB"}, 2, {}, "hidden, unlit, bells 1"},
    {"ESC 0", B({27, 48}), {}, 0, {}, "hidden, unlit, brightness 1"},
    {"ESC 2", B({27, 50}), {}, 0, {}, "hidden, lit, brightness 3", vfd, two_rows},
};

TEST(text_module, printing_and_wrapping) { expect_shown(printing); }
TEST(text_module, position) { expect_shown(positions); }
TEST(text_module, line_movement) { expect_shown(line_movement); }
TEST(text_module, backspace_and_tab) { expect_shown(backspace_and_tab); }
TEST(text_module, right_align) { expect_shown(right_align); }
TEST(text_module, big_mode) { expect_shown(big_mode); }
TEST(text_module, user_glyphs) { expect_shown(user_glyphs); }
TEST(text_module, escapes) { expect_shown(escapes); }
TEST(text_module, cursor_lights_brightness_and_bell) { expect_shown(lights_and_bell); }

TEST(text_module, big_symbols_are_distinct_and_drawn_with_segments_only) {
    std::set<std::string> drawn;
    for (const char c : std::string_view("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ.-: ")) {
        SCOPED_TRACE(c);
        const big_symbol* s = find_big_symbol(static_cast<std::uint8_t>(c));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->width, std::isalnum(static_cast<unsigned char>(c)) ? 4 : 2);
        std::string cells;
        for (const auto& row : s->cells) cells.append(row.begin(), row.begin() + s->width);
        EXPECT_EQ(cells.find_first_not_of(" \x80\x81\x82\x83\x84\x85\x86\x87"), cells.npos);
        EXPECT_TRUE(drawn.insert(cells).second) << "drawn like another symbol";
    }
}

// A sequence cut anywhere between pieces goes on in the next one.
TEST(text_module, bytes_one_at_a_time_show_what_they_show_whole) {
    const auto key = [](const screen& s) {
        return std::tie(s.codes, s.cursor_row, s.cursor_column, s.underline_cursor,
                        s.blinking_cursor, s.display_on, s.backlight, s.brightness, s.bells,
                        s.custom);
    };
    for (const auto* table : {&printing, &positions, &line_movement, &backspace_and_tab,
                              &right_align, &big_mode, &user_glyphs, &escapes, &lights_and_bell}) {
        for (const shown& c : *table) {
            SCOPED_TRACE(c.what);
            const screen whole = fed(c);
            const screen split = fed(c, true);
            EXPECT_TRUE(key(whole) == key(split));
        }
    }
}

}  // namespace
}  // namespace quillon::display
