// The character set as text and the dot pictures of the window, checked against the ROM's table.
#include "display/charset.h"

#include <gtest/gtest.h>

#include <set>

#include "display/glyphs.h"
#include "display/rom_text.h"

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

// Text to codes and back, from the datasheet's ROM tables: each character becomes its code, and
// the code shows as the character again (a look-alike shows as what the ROM draws).
struct rom_row {
    const char* text;
    unsigned code;
    const char* shown = nullptr;  // nullptr: the text itself
};
void check_rom(rom table, std::initializer_list<rom_row> rows) {
    for (const rom_row& row : rows) {
        const rom_text converted = to_rom_codes(row.text, table);
        EXPECT_EQ(converted.bytes, std::string(1, static_cast<char>(row.code))) << row.text;
        EXPECT_TRUE(converted.missing.empty()) << row.text;
        EXPECT_EQ(rom_character(static_cast<std::uint8_t>(row.code), table),
                  row.shown ? row.shown : row.text);
    }
    const rom_text euro = to_rom_codes("1€ 2€ <A>\xff", table);
    EXPECT_EQ(euro.bytes, "1? 2? <A>\xff") << "ASCII and what is no UTF-8 pass as typed";
    EXPECT_EQ(euro.missing, std::vector<char32_t>{0x20AC});
    EXPECT_EQ(code_point_name(0x20AC), "U+20AC");
}

TEST(charset, a00_codes_of_text_and_back) {
    check_rom(
        rom::a00,
        {{"¥", 0x5C},      {"→", 0x7E}, {"←", 0x7F},  {"｡", 0xA1},      {"ｱ", 0xB1}, {"ﾝ", 0xDD},
         {"°", 0xDF, "ﾟ"}, {"α", 0xE0}, {"ä", 0xE1},  {"ß", 0xE2, "β"}, {"ε", 0xE3}, {"μ", 0xE4},
         {"µ", 0xE4, "μ"}, {"σ", 0xE5}, {"ρ", 0xE6},  {"√", 0xE8},      {"¢", 0xEC}, {"£", 0xED},
         {"ñ", 0xEE},      {"ö", 0xEF}, {"θ", 0xF2},  {"∞", 0xF3},      {"Ω", 0xF4}, {"ü", 0xF5},
         {"Σ", 0xF6},      {"π", 0xF7}, {"千", 0xFA}, {"円", 0xFC},     {"÷", 0xFD}, {"█", 0xFF}});
}

TEST(charset, a02_codes_of_text_and_back) {
    check_rom(rom::a02,
              {{"▶", 0x10}, {"“", 0x12}, {"↑", 0x18}, {"→", 0x1A}, {"≥", 0x1D}, {"⌂", 0x7F},
               {"Б", 0x80}, {"Я", 0xAD}, {"Э", 0x8F}, {"α", 0x90}, {"Σ", 0x94}, {"Ω", 0x9A},
               {"∞", 0x9C}, {"¡", 0xA1}, {"£", 0xA3}, {"§", 0xA7}, {"°", 0xB0}, {"±", 0xB1},
               {"µ", 0xB5}, {"¿", 0xBF}, {"À", 0xC0}, {"Ä", 0xC4}, {"Ç", 0xC7}, {"É", 0xC9},
               {"Ñ", 0xD1}, {"Ö", 0xD6}, {"Ü", 0xDC}, {"ß", 0xDF}, {"à", 0xE0}, {"ä", 0xE4},
               {"é", 0xE9}, {"ö", 0xF6}, {"÷", 0xF7}, {"ü", 0xFC}, {"ÿ", 0xFF}});
    EXPECT_EQ(rom_character(0x5C, rom::a02), "\\");
    EXPECT_EQ(rom_character(0x7E, rom::a02), "~");
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
        rom table;
        unsigned code;
        glyph dots;
    } table[] = {
        {rom::a00, 0x20, {0, 0, 0, 0, 0, 0, 0, 0}},
        {rom::a00, 0x41, {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0}},  // A
        {rom::a00, 0x5C, {0x11, 0x0A, 0x1F, 0x04, 0x1F, 0x04, 0x04, 0}},  // yen sign
        {rom::a00, 0x67, {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E, 0}},  // g above the cursor
        {rom::a00, 0x7E, {0x00, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x00, 0}},  // right arrow
        {rom::a00, 0x7F, {0x00, 0x04, 0x08, 0x1F, 0x08, 0x04, 0x00, 0}},  // left arrow
        {rom::a00, 0x10, {0, 0, 0, 0, 0, 0, 0, 0}},                       // empty in A00
        {rom::a00, 0x9F, {0, 0, 0, 0, 0, 0, 0, 0}},
        {rom::a00, 0xB1, {0x1F, 0x01, 0x0A, 0x0C, 0x08, 0x08, 0x10, 0}},     // katakana a
        {rom::a00, 0xDF, {0x1C, 0x14, 0x1C, 0x00, 0x00, 0x00, 0x00, 0}},     // the "degree" mark
        {rom::a00, 0xF5, {0x0A, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D, 0}},     // ü
        {rom::a00, 0xFF, {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}},  // the whole cell
        {rom::a02, 0x41, {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0}},     // A, as in A00
        {rom::a02, 0x5C, {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0}},     // backslash
        {rom::a02, 0xB0, {0x0C, 0x12, 0x12, 0x0C, 0x00, 0x00, 0x00, 0}},     // degree sign
        {rom::a02, 0xC4, {0x0A, 0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0}},     // Ä
    };
    for (const auto& row : table) {
        EXPECT_EQ(rom_glyph(static_cast<std::uint8_t>(row.code), row.table), row.dots)
            << std::hex << row.code;
    }
    EXPECT_FALSE(rom_glyph(0x0F).has_value()) << "user characters are the module's own";
}

// Every code the ROM table names is drawn, in dots of its own: a picture copied twice by
// mistake, or one left empty, would show two codes alike or a character as a blank.
TEST(glyphs, every_code_of_both_roms_is_drawn_and_no_two_alike) {
    for (const rom table : {rom::a00, rom::a02}) {
        std::set<glyph> seen;
        for (unsigned code = 0x10; code <= 0xFF; ++code) {
            const auto at = static_cast<std::uint8_t>(code);
            const glyph dots = rom_glyph(at, table).value();
            const bool blank = rom_character(at, table) == " ";
            EXPECT_EQ(dots == glyph{}, blank) << std::hex << code;
            if (!blank) {
                EXPECT_TRUE(seen.insert(dots).second) << "a second " << std::hex << code;
            }
            const bool whole_cell = table == rom::a00 && code == 0xFF;
            EXPECT_EQ(dots[7], whole_cell ? 0x1F : 0) << std::hex << code;
            for (const auto row : dots) EXPECT_EQ(row & ~0x1F, 0) << std::hex << code;
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
