#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translate/tests/byte_literals.h"
#include "translate/translate.h"

namespace quillon {
namespace {

using test::bytes;
using test::decimal;

struct text_case {
    std::string input;
    std::string expected;
};

void expect_translations(const std::vector<text_case>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(TRANSLATE_TEXT(c.input)), decimal(c.expected)) << "input: " << c.input;
    }
}

TEST(translate_text, plain_text_passes_unchanged) {
    expect_translations({
        {"", ""},
        {"Hello", "Hello"},
        {"a<b", "a<b"},
        {"line one\r\nline two", "line one\r\nline two"},
        {"<13>\r\n<10>", bytes({13, 13, 10, 10})},
    });
}

TEST(translate_text, numeric_fields_give_one_byte_modulo_256) {
    expect_translations({
        {"<13>", bytes({13})},
        {"<254,1>", bytes({254, 1})},
        {"<013>", bytes({13})},
        {"<0>", bytes({0})},
        {"<255>", bytes({255})},
        {"<256>", bytes({0})},
        {"<300>", bytes({44})},
        {"<999>", bytes({231})},
        {"<1,,2>", bytes({1, 0, 2})},
        {"<,>", bytes({0, 0})},
        {"<5,>", bytes({5, 0})},
        {"<,,,>", bytes({0, 0, 0, 0})},
        // Values beyond 64 bits are reduced exactly: 18446744073709551676 = 2^64 + 60.
        {"<18446744073709551676>", bytes({60})},
        {"<18446744073709551616>", bytes({0})},
        {"<99999999999999999999999999999999999999>", bytes({255})},
        {"<000000000000000000000000000000000000013>", bytes({13})},
    });
}

TEST(translate_text, names_and_rules_inside_tags) {
    expect_translations({
        {"<CLEAR_SCREEN>", bytes({12})},
        {"<clear_screen>", bytes({12})},
        {"<A>", bytes({1})},
        {"<a>", bytes({1})},
        {"<[>", bytes({27})},
        {"<_5>", bytes({69})},
        {"<FOO>", ""},
        {"<1A>", ""},
        {"<CR,LF>", bytes({13, 10})},
        {"<LMA_LINE2,72,105>", bytes({254, 192, 72, 105})},
        {"<FOO,65,BAR>", bytes({65})},
        {"<\\abc>", "ABC"},
        {"<LMA_CLS>Hi<CR,LF>", bytes({254, 1, 254, 128, 72, 105, 13, 10})},
    });
}

TEST(translate_text, near_miss_tags_stay_unchanged) {
    expect_translations({
        {"<>", "<>"},
        {"<abc", "<abc"},
        {"abc>", "abc>"},
        {"<1 2>", "<1 2>"},
        {"<@>", "<@>"},
        {"<{>", "<{>"},
        {"<13\r\n>", "<13\r\n>"},
        {bytes({60, 0, 62}), bytes({60, 0, 62})},
        {bytes({60, 200, 62}), bytes({60, 200, 62})},
        {"<<13>>", bytes({60, 13, 62})},
        {"<<<", "<<<"},
        {">>13<<", ">>13<<"},
        {"<A<B>", bytes({60, 65, 2})},
    });
}

TEST(translate_text, produced_bytes_are_scanned_again_with_what_follows) {
    expect_translations({
        {"<60>13>", bytes({13})},
        {"<60><62>", bytes({60, 62})},
        {"<60>B>", bytes({2})},
        {"<60>60>60>13>", bytes({13})},
        {"<60,49,51>>", bytes({13})},  // "<13" produced, ">" follows
        {"<_252>13>", bytes({13})},    // the underscore rule can produce "<" too
        {"x<60>y", "x<y"},
        // Text before a translated tag is never scanned again: "<" then the tag's ">" bytes.
        {"<<62>", "<>"},
        {"<1<62>", "<1>"},
    });
}

TEST(translate_text, zero_bytes_and_high_bytes_pass_through) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '<') all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(TRANSLATE_TEXT(all), all);
    expect_translations({
        {bytes({0, 60, 48, 62, 0}), bytes({0, 0, 0})},
        {bytes({255, 60, 50, 53, 53, 62, 255}), bytes({255, 255, 255})},
    });
}

// Shapes that would make a splice-and-search-again translator quadratic; here they only need to
// come out right (their speed is measured by the benchmarks).
TEST(translate_text, adversarial_shapes_translate_correctly) {
    const int n = 20000;
    std::string chain = "<60>";
    for (int i = 0; i < n; ++i) chain += "60>";
    chain += "13>";
    EXPECT_EQ(decimal(TRANSLATE_TEXT(chain)), "13");

    const std::string run(n, '<');
    EXPECT_EQ(TRANSLATE_TEXT(run), run);

    std::string near_miss;
    for (int i = 0; i < n; ++i) near_miss += "<A";
    EXPECT_EQ(TRANSLATE_TEXT(near_miss), near_miss);

    std::string dense, expected;
    for (int i = 0; i < n; ++i) {
        dense += "<254,1>Hi<CLS><_5>";
        expected += bytes({254, 1, 'H', 'i', 12, 69});
    }
    EXPECT_EQ(TRANSLATE_TEXT(dense), expected);
}

TEST(translate_tag, splits_fields_and_keeps_their_order) {
    const std::vector<text_case> cases = {
        {"", bytes({0})},
        {"13", bytes({13})},
        {"CR,10,LMA_PREFIX,_0", bytes({13, 10, 254, 64})},
        {"NOPE,,NOPE", bytes({0})},
        {",", bytes({0, 0})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(TRANSLATE_TAG(c.input)), decimal(c.expected)) << "body: " << c.input;
    }
}

}  // namespace
}  // namespace quillon
