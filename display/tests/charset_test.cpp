// The character set as text and the dot pictures of the window, checked against the ROM's table.
#include "display/charset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

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

// The last row mended from the data sheet's dots: two bars at 0xA0, a crossed ring at 0xF8, and
// ↲ taken for the arrow at 0x17.
TEST(charset, a02_codes_of_text_and_back) {
    check_rom(rom::a02,
              {{"▶", 0x10}, {"“", 0x12}, {"↑", 0x18}, {"→", 0x1A},     {"≥", 0x1D}, {"⌂", 0x7F},
               {"Б", 0x80}, {"Я", 0xAD}, {"Э", 0x8F}, {"α", 0x90},     {"Σ", 0x94}, {"Ω", 0x9A},
               {"∞", 0x9C}, {"¡", 0xA1}, {"£", 0xA3}, {"§", 0xA7},     {"°", 0xB0}, {"±", 0xB1},
               {"µ", 0xB5}, {"¿", 0xBF}, {"À", 0xC0}, {"Ä", 0xC4},     {"Ç", 0xC7}, {"É", 0xC9},
               {"Ñ", 0xD1}, {"Ö", 0xD6}, {"Ü", 0xDC}, {"ß", 0xDF},     {"à", 0xE0}, {"ä", 0xE4},
               {"é", 0xE9}, {"ö", 0xF6}, {"÷", 0xF7}, {"ü", 0xFC},     {"ÿ", 0xFF}, {"Φ", 0xD8},
               {"‖", 0xA0}, {"ø", 0xF8}, {"↵", 0x17}, {"↲", 0x17, "↵"}});
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
