// The dot pictures of the window and the cells as text, checked against the ROM's table.
#include "display/charset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "display/glyphs.h"

namespace quillon::display {
namespace {

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

// A few codes as the data sheet draws them, written out here: a broken reading of the ROM files
// that the parse below shared would still show.
TEST(glyphs, pictures_of_a_few_codes) {
    const struct {
        rom table;
        unsigned code;
        glyph dots;
    } table[] = {
        {rom::a00, 0x10, {0, 0, 0, 0, 0, 0, 0, 0}},  // empty in A00
        {rom::a00, 0x9F, {0, 0, 0, 0, 0, 0, 0, 0}},
        {rom::a00, 0x37, {0x1F, 0x11, 0x01, 0x02, 0x04, 0x04, 0x04, 0}},     // 7 with its hook
        {rom::a00, 0x5C, {0x11, 0x0A, 0x1F, 0x04, 0x1F, 0x04, 0x04, 0}},     // yen sign
        {rom::a00, 0xB1, {0x1F, 0x01, 0x05, 0x06, 0x04, 0x04, 0x08, 0}},     // katakana a
        {rom::a00, 0xE7, {0, 0, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x01}},        // g, cut in row 8
        {rom::a00, 0xFF, {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}},  // 10 rows, cut
        {rom::a02, 0x41, {0, 0x04, 0x0A, 0x11, 0x11, 0x1F, 0x11, 0x11}},     // A on row 8
        {rom::a02, 0x5C, {0, 0, 0x10, 0x08, 0x04, 0x02, 0x01, 0}},           // backslash
        {rom::a02, 0xA0, {0, 0x1B, 0x1B, 0x1B, 0x1B, 0x1B, 0x1B, 0x1B}},     // double bar
        {rom::a02, 0xC4, {0x0A, 0, 0x04, 0x0A, 0x11, 0x1F, 0x11, 0x11}},     // Ä, dots in row 1
    };
    for (const auto& row : table) {
        EXPECT_EQ(rom_glyph(static_cast<std::uint8_t>(row.code), row.table), row.dots)
            << std::hex << row.code;
    }
    EXPECT_FALSE(rom_glyph(0x0F).has_value()) << "user characters are the module's own";
}

// Every code of both ROMs against the data sheet's files, read here on their own: each code
// shows the first 8 rows of its line (display/rom/README.md), a code without a line is dark.
TEST(glyphs, every_code_of_both_roms_is_the_data_sheets) {
    for (const auto& [table, name, lines] :
         {std::tuple{rom::a00, "a00.txt", 192}, std::tuple{rom::a02, "a02.txt", 240}}) {
        std::map<unsigned, glyph> sheet;
        std::ifstream file(std::string(QUILLON_ROM_DIR) + "/" + name);
        for (std::string line; std::getline(file, line);) {
            std::istringstream fields(line);
            unsigned code = 0;
            fields >> std::hex >> code;
            glyph& dots = sheet[code];
            std::string row;
            for (std::size_t r = 0; r < 8 && fields >> row; ++r) {
                for (const char dot : row) {
                    dots[r] = static_cast<std::uint8_t>((dots[r] << 1) | (dot == '#'));
                }
            }
        }
        ASSERT_EQ(sheet.size(), static_cast<std::size_t>(lines)) << name;
        for (unsigned code = 0x10; code <= 0xFF; ++code) {
            EXPECT_EQ(rom_glyph(static_cast<std::uint8_t>(code), table),
                      sheet.count(code) ? sheet[code] : glyph{})
                << name << " " << std::hex << code;
        }
    }
}

TEST(glyphs, cells_with_user_codes_use_character_memory) {
    screen s;
    s.custom[2] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(cell_glyph(s, 2), (glyph{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(cell_glyph(s, 10), (glyph{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(cell_glyph(s, 0xE0), rom_glyph(0xE0));
    s.character_rom = rom::a02;
    EXPECT_EQ(cell_glyph(s, 0xE0), rom_glyph(0xE0, rom::a02));
}

}  // namespace
}  // namespace quillon::display
