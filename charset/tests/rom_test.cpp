// The ROMs' characters as text, and typed text converted to their codes and back, checked
// against the data sheet's tables.
#include "charset/rom.h"

#include <gtest/gtest.h>

#include "charset/rom_text.h"

namespace quillon::charset {
namespace {

TEST(rom, rom_codes_show_as_the_rom_table_has_them) {
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
    EXPECT_EQ(euro.missing.kept, std::vector<char32_t>{0x20AC});
    EXPECT_EQ(code_point_name(0x20AC), "U+20AC");
}

TEST(rom, a00_codes_of_text_and_back) {
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
TEST(rom, a02_codes_of_text_and_back) {
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

}  // namespace
}  // namespace quillon::charset
