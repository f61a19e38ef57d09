#include <gtest/gtest.h>

#include <random>
#include <string>

#include "translate/tests/byte_literals.h"
#include "translate/tests/reference_translator.h"
#include "translate/translate.h"

namespace quillon {
namespace {

using test::decimal;

// Random texts drawn mostly from the bytes that matter to the scanner, compared with the
// literal splice-and-search-again translation.
TEST(translate_text, agrees_with_the_literal_algorithm_on_random_text) {
    const std::string alphabet = "<<<<>>>,,0123456789_\\AaZz[` \r\n";
    std::mt19937 random(20001205);
    for (int round = 0; round < 5000; ++round) {
        std::string text(random() % 40, ' ');
        for (auto& c : text) {
            c = (random() % 16 == 0) ? static_cast<char>(random() % 256)
                                     : alphabet[random() % alphabet.size()];
        }
        ASSERT_EQ(decimal(TRANSLATE_TEXT(text)), decimal(test::reference_translate_text(text)))
            << "text: " << decimal(text);
    }
}

}  // namespace
}  // namespace quillon
