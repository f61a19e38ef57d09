// The code page 1252 codec and the dialog-unit arithmetic the window's text and layout rest on.
#include <gtest/gtest.h>

#include "ui/cp1252.h"
#include "ui/dialog_units.h"

namespace quillon::ui {
namespace {

TEST(cp1252, every_byte_survives_a_round_trip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::u32string text = decode_cp1252(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(encode_cp1252(text), all);
}

TEST(cp1252, characters_map_to_their_code_page_bytes) {
    struct row {
        char32_t character;
        unsigned char byte;
    };
    const row rows[] = {
        {U'\0', 0x00},     {U'A', 0x41},      {U'\u00E9', 0xE9}, {U'\u20AC', 0x80},
        {U'\u2122', 0x99}, {U'\u0178', 0x9F}, {U'\u00A0', 0xA0}, {U'\u00FF', 0xFF},
        {U'\u0081', 0x81}, {U'\u009D', 0x9D},  // unused positions keep their control character
    };
    for (const row& r : rows) {
        EXPECT_EQ(encode_cp1252(std::u32string(1, r.character)),
                  std::string(1, static_cast<char>(r.byte)))
            << std::hex << static_cast<std::uint32_t>(r.character);
        EXPECT_EQ(decode_cp1252(std::string(1, static_cast<char>(r.byte))),
                  std::u32string(1, r.character));
    }
}

TEST(cp1252, characters_outside_the_code_page_become_question_marks) {
    for (const char32_t character :
         {U'\u0080', U'\u0100', U'\u20AD', U'\u4E2D', U'\U0001F600', U'\uFFFD'}) {
        EXPECT_EQ(encode_cp1252(std::u32string(1, character)), "?")
            << std::hex << static_cast<std::uint32_t>(character);
    }
}

TEST(dialog_units, mul_div_rounds_half_away_from_zero) {
    struct row {
        int number, numerator, denominator, result;
    };
    for (const row r : {row{213, 6, 4, 320}, row{148, 13, 8, 241}, row{5, 6, 4, 8}, row{1, 1, 2, 1},
                        row{-1, 1, 2, -1}, row{-213, 6, 4, -320}, row{7, 3, -2, -11},
                        row{8, 96, 72, 11}, row{0, 5, 3, 0}}) {
        EXPECT_EQ(mul_div(r.number, r.numerator, r.denominator), r.result)
            << r.number << "*" << r.numerator << "/" << r.denominator;
    }
}

TEST(dialog_units, adjacent_rectangles_meet_in_pixels) {
    // 4800 (x 11, width 35) reaches x 46; 2400 starts at 48. 9600 ends at y 27; 4800 starts at 30.
    const rect left = map_dialog_units({11, 15, 46, 27}, 6, 13);
    const rect right = map_dialog_units({46, 15, 80, 27}, 6, 13);
    EXPECT_EQ(left.right, right.left);
    EXPECT_EQ(left, (rect{17, 24, 69, 44}));
    EXPECT_EQ(average_width_of_letters(311), 6);  // 5.98
    EXPECT_EQ(average_width_of_letters(286), 6);  // 5.5 rounds up
    EXPECT_EQ(average_width_of_letters(285), 5);
}

}  // namespace
}  // namespace quillon::ui
