// The character set as text and the dot pictures of the window, checked against the ROM's table.
#include "display/charset.h"

#include <gtest/gtest.h>

#include <set>

#include "display/glyphs.h"

namespace quillon::display {
namespace {

TEST(charset, rom_codes_show_as_the_rom_table_has_them) {
    const struct {
        unsigned code;
        const char* text;
    } table[] = {
        {0x20, " "},  {0x41, "A"},  {0x5B, "["}, {0x5C, "¥"}, {0x5D, "]"}, {0x7D, "}"},
        {0x7E, "→"},  {0x7F, "←"},  {0x10, " "}, {0x1F, " "}, {0x80, " "}, {0xA0, " "},
        {0xA1, "｡"},  {0xA2, "｢"},  {0xA5, "･"}, {0xA6, "ｦ"}, {0xB1, "ｱ"}, {0xC0, "ﾀ"},
        {0xDD, "ﾝ"},  {0xDE, "ﾞ"},  {0xDF, "ﾟ"}, {0xE0, "α"}, {0xE1, "ä"}, {0xE2, "β"},
        {0xE3, "ε"},  {0xE4, "μ"},  {0xE5, "σ"}, {0xE6, "ρ"}, {0xE7, "g"}, {0xE8, "√"},
        {0xE9, "⁻¹"}, {0xEA, "j"},  {0xEB, "ˣ"}, {0xEC, "¢"}, {0xED, "£"}, {0xEE, "ñ"},
        {0xEF, "ö"},  {0xF0, "p"},  {0xF1, "q"}, {0xF2, "θ"}, {0xF3, "∞"}, {0xF4, "Ω"},
        {0xF5, "ü"},  {0xF6, "Σ"},  {0xF7, "π"}, {0xF8, "x̄"}, {0xF9, "y"}, {0xFA, "千"},
        {0xFB, "万"}, {0xFC, "円"}, {0xFD, "÷"}, {0xFE, " "}, {0xFF, "█"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(rom_character(static_cast<std::uint8_t>(row.code)), row.text)
            << std::hex << row.code;
    }
}

TEST(charset, user_characters_show_as_the_nearest_braille_pattern) {
    const struct {
        const char* what;
        glyph dots;
        const char* text;
    } table[] = {
        {"empty", {0, 0, 0, 0, 0, 0, 0, 0}, "⠀"},
        {"all lit", {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}, "⣿"},
        {"left bar", {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10}, "⡇"},
        {"right bar", {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, "⢸"},
        {"centre bar", {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, "⣿"},
        {"top row", {0x1F, 0, 0, 0, 0, 0, 0, 0}, "⠉"},
        {"bottom row", {0, 0, 0, 0, 0, 0, 0, 0x1F}, "⣀"},
        {"heart", {0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00}, "⠿"},
    };
    for (const auto& row : table) EXPECT_EQ(braille_picture(row.dots), row.text) << row.what;

    screen s;
    s.custom[3] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10};
    EXPECT_EQ(cell_text(s, 3), "⡇");
    EXPECT_EQ(cell_text(s, 11), "⡇");
    EXPECT_EQ(cell_text(s, 0), "⠀");
    EXPECT_EQ(cell_text(s, 0x5C), "¥");
}

TEST(glyphs, pictures_of_a_few_codes) {
    const struct {
        unsigned code;
        glyph dots;
    } table[] = {
        {0x20, {0, 0, 0, 0, 0, 0, 0, 0}},
        {0x41, {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0}},  // A
        {0x5C, {0x11, 0x0A, 0x1F, 0x04, 0x1F, 0x04, 0x04, 0}},  // yen sign
        {0x67, {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E, 0}},  // g, drawn above the cursor row
        {0x7E, {0x00, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x00, 0}},  // right arrow
        {0x7F, {0x00, 0x04, 0x08, 0x1F, 0x08, 0x04, 0x00, 0}},  // left arrow
    };
    for (const auto& row : table) {
        EXPECT_EQ(rom_glyph(static_cast<std::uint8_t>(row.code)), row.dots) << std::hex << row.code;
    }
    EXPECT_FALSE(rom_glyph(0x1F).has_value());
    EXPECT_FALSE(rom_glyph(0x80).has_value());
    EXPECT_FALSE(rom_glyph(0xB1).has_value());
}

// A picture copied twice by mistake, or a row left empty, would show two codes alike.
TEST(glyphs, every_printable_code_has_dots_of_its_own_and_a_free_cursor_row) {
    std::set<glyph> seen;
    for (unsigned code = 0x21; code <= 0x7F; ++code) {
        const auto dots = rom_glyph(static_cast<std::uint8_t>(code));
        ASSERT_TRUE(dots.has_value()) << std::hex << code;
        EXPECT_TRUE(seen.insert(*dots).second) << "a second code looks like " << std::hex << code;
        EXPECT_EQ((*dots)[7], 0) << std::hex << code;
        for (const auto row : *dots) EXPECT_EQ(row & ~0x1F, 0) << std::hex << code;
    }
}

TEST(glyphs, cells_with_user_codes_use_character_memory) {
    screen s;
    s.custom[2] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(cell_glyph(s, 2), (glyph{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(cell_glyph(s, 10), (glyph{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(cell_glyph(s, 0x41), rom_glyph(0x41));
    EXPECT_FALSE(cell_glyph(s, 0xE0).has_value());
}

}  // namespace
}  // namespace quillon::display
