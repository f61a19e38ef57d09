// The graphic modules fed byte sequences as a sender sends them, each row of a table the bytes
// and the picture the glass then shows (on white): rectangles, single pixels and glyphs drawn
// from the literal 6x8 pictures below; where given, also the codes of the text grid and the
// cursor's cell. The cases B-T01 to B-T40 are those of the modules' behaviour notes.
#include "display/graphic_module.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "display/module.h"

namespace quillon::display {
namespace {

// The default font's glyphs, the character ROM's dots in the top-left 5x7 of the cell.
using picture = std::array<const char*, 8>;
const picture A{".###..", "#...#.", "#...#.", "#...#.", "#####.", "#...#.", "#...#.", "......"};
const picture B{"####..", "#...#.", "#...#.", "####..", "#...#.", "#...#.", "####..", "......"};
const picture H{"#...#.", "#...#.", "#...#.", "#####.", "#...#.", "#...#.", "#...#.", "......"};
const picture I{".###..", "..#...", "..#...", "..#...", "..#...", "..#...", ".###..", "......"};
const picture o{"......", "......", ".###..", "#...#.", "#...#.", "#...#.", ".###..", "......"};

// A rectangle of ink, white or pixels not compared, from (x, y); or a glyph (ink: black on
// white, white: inverse) whose dots are width x height pixels.
enum dots : std::uint8_t { white, ink, any };
struct mark {
    int x, y, width, height;
    dots value = ink;
    const picture* glyph = nullptr;
};
mark box(int x0, int y0, int x1, int y1, dots value = ink) {
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1, value};
}
mark dot(int x, int y, dots value = ink) { return {x, y, 1, 1, value}; }
mark at(const picture& g, int x, int y, int wide = 1, int tall = 1, bool inverse = false) {
    return {x, y, wide, tall, inverse ? white : ink, &g};
}

struct cursor_at {
    int row, column;
};

struct row {
    const char* what;
    std::string bytes;
    std::vector<mark> picture;
    std::vector<std::string> text = {};  // the first rows of codes, when given
    std::optional<cursor_at> cursor = {};
    bool font_unprotected = false;
};

std::string b(std::initializer_list<int> bytes) {
    std::string s;
    for (const int v : bytes) s += static_cast<char>(v);
    return s;
}
const std::string blank20(20, ' ');
const std::string blank16(16, ' ');

std::vector<std::uint8_t> drawn(int width, int height, const std::vector<mark>& marks) {
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(width * height), 0);
    for (const mark& m : marks) {
        for (int gy = 0; gy < (m.glyph ? 8 : 1); ++gy) {
            for (int gx = 0; gx < (m.glyph ? 6 : 1); ++gx) {
                const bool dot = m.glyph && (*m.glyph)[gy][gx] == '#';
                const dots value = !m.glyph ? m.value : dot == (m.value == ink) ? ink : white;
                for (int y = 0; y < m.height; ++y) {
                    for (int x = 0; x < m.width; ++x) {
                        const int at = (m.y + gy * m.height + y) * width + m.x + gx * m.width + x;
                        canvas[static_cast<std::size_t>(at)] = value;
                    }
                }
            }
        }
    }
    return canvas;
}

std::unique_ptr<module> powered_up(profile p, const row& r) {
    auto m = make_module(p, facts(p).default_size);
    if (r.font_unprotected) dynamic_cast<graphic_module&>(*m).protect_font_pages(false);
    return m;
}

void expect_rows(profile p, const std::vector<row>& rows) {
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        auto m = powered_up(p, r);
        m->feed(r.bytes);
        const screen s = m->view();
        const auto expected = drawn(s.pixel_width, s.pixel_height, r.picture);
        ASSERT_EQ(s.pixels.size(), expected.size());
        int wrong = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] == any || s.pixels[i] == expected[i] || ++wrong > 5) continue;
            ADD_FAILURE() << "pixel (" << i % s.pixel_width << "," << i / s.pixel_width
                          << ") should be " << (expected[i] ? "black" : "white");
        }
        if (wrong > 5) ADD_FAILURE() << wrong << " pixels differ";
        for (std::size_t n = 0; n < r.text.size(); ++n)
            EXPECT_EQ(s.row(static_cast<int>(n)), r.text[n]);
        if (!r.cursor) continue;
        EXPECT_EQ(s.cursor_row, r.cursor->row);
        EXPECT_EQ(s.cursor_column, r.cursor->column);
    }
}

const std::vector<row> text_and_positions{
    {"B-T01", "HI", {at(H, 0, 0), at(I, 6, 0)}, {"HI" + blank20.substr(2)}, cursor_at{0, 2}},
    {"B-T02", "HI\x0C", {}, {blank20}, cursor_at{0, 0}},
    {"12 clears graphics too", b({27, 80, 1, 1, 12}), {}},
    {"B-T03", b({16, 85, 65}), {at(A, 6, 8)}},
    {"B-T04", b({16, 144, 65}), {at(A, 0, 0)}},
    {"16 and decimal digits, the terminator dropped", b({16, 50, 49, 81, 65}), {at(A, 6, 8)}},
    {"B-T08", b({65, 13, 10, 66}), {at(A, 0, 0), at(B, 0, 8)}},
    {"B-T09", b({13, 13, 65}), {at(A, 0, 16)}},
    {"B-T26", b({16, 84, 8, 65}), {at(A, 114, 0)}},
    {"B-T27", b({16, 124, 10, 65}), {at(A, 0, 0)}},
    {"11 from the top line to the bottom", b({11, 65}), {at(A, 0, 24)}},
    {"B-T28",
     std::string(81, 'A'),
     {box(0, 0, 119, 31, any)},
     {"AAAAAAAAAAAAAAAAAAAA", "AAAAAAAAAAAAAAAAAAAA", "AAAAAAAAAAAAAAAAAAAA",
      "AAAAAAAAAAAAAAAAAAAA"},
     cursor_at{0, 1}},
    {"127 is blank, 192-255 print nothing", b({127, 200, 255, 65}), {at(A, 6, 0)}},
};

const std::vector<row> sizes{
    {"B-T05",
     b({27, 70, 51, 16, 65, 65}),
     {at(A, 12, 0, 2, 2)},
     {"  A" + blank20.substr(3), blank20},
     cursor_at{0, 4}},
    {"B-T06", b({27, 70, 67, 65}), {at(A, 0, 0, 2, 2)}},
    {"B-T06, the same as '3'", b({27, 70, 51, 65}), {at(A, 0, 0, 2, 2)}},
    {"B-T10", b({27, 70, 50, 13, 13, 65}), {at(A, 0, 0, 1, 2)}},
    {"B-T29", b({16, 89, 27, 70, 51, 65}), {at(A, 36, 0, 2, 2)}},
    {"B-T30", b({27, 70, 49, 65}), {at(A, 0, 0, 2, 1)}},
    {"a wide glyph on column 19 goes to the next line",
     b({16, 83, 27, 70, 49, 65}),
     {at(A, 0, 8, 2, 1)}},
};

const std::vector<row> control_bytes{
    {"B-T07", b({2, 65, 3, 66}), {at(A, 0, 0, 1, 1, true), at(B, 6, 0)}},
    {"B-T11", b({4, 5, 6, 7, 17, 19, 20, 21, 22, 23, 24, 25, 26}), {}, {}, cursor_at{0, 0}},
    {"28-31 are ignored", b({28, 29, 30, 31, 65}), {at(A, 0, 0)}},
    {"9 to the next multiple of 4", b({65, 9, 66}), {at(A, 0, 0), at(B, 24, 0)}},
    {"8 erases", b({65, 66, 8}), {at(A, 0, 0)}, {}, cursor_at{0, 1}},
    {"8 from position 0 to the last cell", b({8, 65}), {at(A, 114, 24)}},
    {"B-T31",
     "ABCDEFGHIJ" + b({18, 53, 52, 50, 13}),
     {box(0, 0, 29, 7, any), box(48, 0, 59, 7, any)},
     {"ABCDE   42" + blank20.substr(10)},
     cursor_at{1, 0}},
    {"18 with a bad width is dropped",
     b({18, 49, 65}),
     {box(0, 0, 11, 7, any)},
     {"1A" + blank20.substr(2)}},
};

const std::vector<row> drawing{
    {"B-T12", b({27, 80, 10, 5}), {dot(10, 5)}},
    {"B-T13", b({27, 80, 130, 5}), {dot(10, 5)}},
    {"B-T14", b({27, 76, 0, 0, 150, 0}), {box(0, 0, 30, 0)}},
    {"B-T16", b({27, 80, 0, 0, 27, 84, 10, 0}), {box(0, 0, 10, 0)}},
    {"a vertical line, ends included", b({27, 76, 3, 9, 3, 2}), {box(3, 2, 3, 9)}},
    {"B-T17", b({27, 77, 65, 27, 80, 5, 5, 27, 80, 5, 5}), {}},
    {"B-T18", b({27, 67, 255, 27, 73, 48, 27, 80, 3, 3}), {box(0, 0, 119, 31), dot(3, 3, white)}},
    {"ESC V flips later drawing", b({27, 86, 1, 27, 80, 0, 0}), {dot(0, 31)}},
    {"ESC R inverts a text line", b({27, 82, 1}), {box(0, 8, 119, 15)}},
};

const std::vector<row> memory_bytes{
    {"B-T19",
     b({27, 67, 85}),
     {box(0, 0, 119, 0), box(0, 2, 119, 2), box(0, 4, 119, 4), box(0, 6, 119, 6), box(0, 8, 119, 8),
      box(0, 10, 119, 10), box(0, 12, 119, 12), box(0, 14, 119, 14), box(0, 16, 119, 16),
      box(0, 18, 119, 18), box(0, 20, 119, 20), box(0, 22, 119, 22), box(0, 24, 119, 24),
      box(0, 26, 119, 26), box(0, 28, 119, 28), box(0, 30, 119, 30)}},
    {"B-T20", b({27, 65, 5, 1, 27, 66, 255}), {box(5, 8, 5, 15)}},
    {"B-T21", b({27, 65, 119, 0, 27, 66, 1, 27, 66, 1}), {dot(119, 0), dot(0, 8)}},
    {"ESC B from the last byte to 0",
     b({27, 65, 119, 3, 27, 66, 128, 27, 66, 1}),
     {dot(119, 31), dot(0, 0)}},
    {"B-T22", b({27, 68, 71}) + std::string(480, '\xFF') + "A", {box(0, 0, 119, 31), at(A, 0, 0)}},
    {"ESC D G waits for its 480th byte",
     b({27, 68, 71}) + std::string(479, '\xFF') + "A",
     {box(0, 0, 119, 31), box(119, 24, 119, 31, white), dot(119, 24), dot(119, 30)}},
};

const std::vector<row> picture_store{
    {"B-T23", b({27, 80, 9, 9, 27, 88, 5, 12, 27, 69, 5}), {dot(9, 9)}},
    {"picture numbers modulo 17", b({27, 80, 9, 9, 27, 88, 22, 12, 27, 69, 5}), {dot(9, 9)}},
    {"B-T24", b({27, 88, 0, 65}), {at(A, 0, 0)}},
    {"B-T25",
     b({27, 67, 0, 27, 88, 1, 12, 111, 112}),
     {at(o, 0, 0)},
     {"op" + blank20.substr(2)},
     {},
     true},
};

const std::string a_and_dot = b({65, 27, 80, 0, 63});
const std::vector<row> layers{
    {"B-T32", a_and_dot, {at(A, 1, 0, 1, 2), dot(0, 63)}, {"A" + blank16.substr(1)}},
    {"B-T33 text off", a_and_dot + b({27, 89, 66}), {dot(0, 63)}},
    {"B-T33 graphics off", a_and_dot + b({27, 89, 65}), {at(A, 1, 0, 1, 2)}},
    {"B-T33 both off", a_and_dot + b({27, 89, 67}), {}},
    {"B-T33 both on", a_and_dot + b({27, 89, 64}), {at(A, 1, 0, 1, 2), dot(0, 63)}},
    {"B-T34", b({65, 27, 67, 255, 27, 79, 65}), {box(0, 0, 127, 63), at(A, 1, 0, 1, 2, true)}},
    {"ESC O 3 is ignored",
     b({65, 27, 67, 255, 27, 79, 65, 27, 79, 67}),
     {box(0, 0, 127, 63), at(A, 1, 0, 1, 2, true)}},
    {"B-T35", b({65, 27, 67, 255, 27, 79, 65, 27, 79, 66}), {at(A, 1, 0, 1, 2)}},
    {"B-T36", b({65, 27, 82, 66}), {box(0, 0, 127, 63), at(A, 1, 0, 1, 2, true)}},
    {"graphics reverse", b({27, 82, 65}), {box(0, 0, 127, 63)}},
    {"inverse text", b({2, 65}), {box(0, 0, 7, 15), at(A, 1, 0, 1, 2, true)}},
    {"B-T37", a_and_dot + "\x0C", {dot(0, 63)}, {blank16}, cursor_at{0, 0}},
    {"B-T38", a_and_dot + b({27, 90, 65}), {at(A, 1, 0, 1, 2)}},
    {"ESC Z clears the text layer", a_and_dot + b({27, 90, 66}), {dot(0, 63)}, {blank16}},
    {"B-T39 shown", b({5}), {box(0, 15, 7, 15)}, {}, cursor_at{0, 0}},
    {"B-T39 hidden", b({5, 4}), {}},
    {"the cursor follows the text",
     b({65, 5}),
     {at(A, 1, 0, 1, 2), box(8, 15, 15, 15)},
     {},
     cursor_at{0, 1}},
};

const std::vector<row> unknown_escapes{
    {"B-T40", b({27, 81, 66}), {at(B, 0, 0)}},
    {"ESC D and a byte other than G", b({27, 68, 65, 66}), {at(B, 0, 0)}},
    {"0 before the letter is ignored", b({27, 0, 80, 10, 5}), {dot(10, 5)}},
};

// B-T15: the diagonal's ends, and exactly one pixel in each column.
TEST(graphic_module, a_line_has_one_pixel_per_step_along_its_longer_axis) {
    auto m = make_module(profile::graphic, {120, 32});
    m->feed(b({27, 76, 0, 0, 119, 31}));
    const screen s = m->view();
    EXPECT_TRUE(s.pixel(0, 0));
    EXPECT_TRUE(s.pixel(119, 31));
    for (int x = 0; x < 120; ++x) {
        int black = 0;
        for (int y = 0; y < 32; ++y) black += s.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(black, 1) << "column " << x;
    }
}

TEST(graphic_module, text_lands_in_small_cells_at_positions) {
    expect_rows(profile::graphic, text_and_positions);
}
TEST(graphic_module, font_sizes_scale_the_glyph_from_even_cells) {
    expect_rows(profile::graphic, sizes);
}
TEST(graphic_module, control_bytes_move_erase_and_align) {
    expect_rows(profile::graphic, control_bytes);
}
TEST(graphic_module, points_and_lines_take_ink_mode_and_flip) {
    expect_rows(profile::graphic, drawing);
}
TEST(graphic_module, memory_bytes_and_the_download) { expect_rows(profile::graphic, memory_bytes); }
TEST(graphic_module, the_picture_store_keeps_screens_and_the_font) {
    expect_rows(profile::graphic, picture_store);
}
TEST(graphic_module, layers_overlay_reverse_zap_and_cursor) {
    expect_rows(profile::graphic_layers, layers);
}
TEST(graphic_module, unknown_escapes_are_consumed) {
    expect_rows(profile::graphic, unknown_escapes);
}

TEST(graphic_module, the_backlight_follows_14_and_15) {
    for (const profile p : {profile::graphic, profile::graphic_layers}) {
        auto m = make_module(p, facts(p).default_size);
        EXPECT_FALSE(m->view().backlight);
        m->feed("\x0E");
        EXPECT_TRUE(m->view().backlight);
        m->feed("\x0F");
        EXPECT_FALSE(m->view().backlight);
    }
}

// Every row again, byte by byte, viewed into a snapshot another module filled before: the
// same view as from the whole input, every field of it.
TEST(graphic_module, bytes_one_at_a_time_show_the_same_view) {
    screen reused = make_module(profile::hd44780, {20, 4})->view();
    const std::vector<std::pair<profile, const std::vector<row>*>> tables{
        {profile::graphic, &text_and_positions}, {profile::graphic, &sizes},
        {profile::graphic, &control_bytes},      {profile::graphic, &drawing},
        {profile::graphic, &memory_bytes},       {profile::graphic, &picture_store},
        {profile::graphic_layers, &layers},      {profile::graphic, &unknown_escapes}};
    for (const auto& [p, rows] : tables) {
        for (const row& r : *rows) {
            SCOPED_TRACE(r.what);
            auto whole = powered_up(p, r);
            auto split = powered_up(p, r);
            whole->feed(r.bytes);
            for (const char c : r.bytes) split->feed(std::string_view(&c, 1));
            const screen w = whole->view();
            split->view(reused);
            EXPECT_EQ(reused.pixels, w.pixels);
            EXPECT_EQ(reused.codes, w.codes);
            EXPECT_EQ(reused.size, w.size);
            EXPECT_EQ(std::tie(reused.cursor_row, reused.cursor_column, reused.underline_cursor,
                               reused.blinking_cursor, reused.backlight, reused.display_on,
                               reused.bells, reused.first_custom_code, reused.custom_codes,
                               reused.pixel_width, reused.pixel_height, reused.brightness),
                      std::tie(w.cursor_row, w.cursor_column, w.underline_cursor, w.blinking_cursor,
                               w.backlight, w.display_on, w.bells, w.first_custom_code,
                               w.custom_codes, w.pixel_width, w.pixel_height, w.brightness));
            EXPECT_EQ(reused.custom, w.custom);
        }
    }
}

}  // namespace
}  // namespace quillon::display
