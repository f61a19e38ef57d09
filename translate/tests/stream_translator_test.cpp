#include "translate/stream_translator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "translate/tests/byte_literals.h"
#include "translate/translate.h"

namespace quillon {
namespace {

using test::bytes;
using test::decimal;

// Everything the translator gives out for a text cut into the given pieces, its end included.
std::string translate_pieces(const std::vector<std::string>& pieces) {
    stream_translator t;
    std::string out;
    for (const auto& piece : pieces) out += t.translate(piece);
    out += t.finish();
    return out;
}

std::string show(const std::vector<std::string>& pieces) {
    std::string s;
    for (const auto& piece : pieces) s += "[" + decimal(piece) + "]";
    return s;
}

struct pieces_case {
    std::vector<std::string> pieces;
    std::string expected;
};

TEST(stream_translator, tags_cut_anywhere_give_the_bytes_of_the_whole_text) {
    const std::vector<pieces_case> cases = {
        {{}, ""},
        {{"", ""}, ""},
        {{"Hello"}, "Hello"},
        {{"<1", "3>"}, bytes({13})},
        {{"<", "13", ">"}, bytes({13})},
        {{"<", "", "", "A>"}, bytes({1})},
        {{"<254,", "1>Hi<C", "R,LF>"}, bytes({254, 1, 'H', 'i', 13, 10})},
        {{"<\\ab", "c>"}, "ABC"},
        {{"<CLEAR_", "SCREEN", ">"}, bytes({12})},
        {{"a<b", ""}, "a<b"},
        {{"x<13"}, "x<13"},            // never closed: no tag
        {{"<A", " ", "B>"}, "<A B>"},  // a blank ends the run
        {{"<1", bytes({0}), ">"}, bytes({60, 49, 0, 62})},
        {{"<13", bytes({255}), ">"}, bytes({60, 49, 51, 255, 62})},
        {{"<", "<", "13>>"}, bytes({60, 13, 62})},
        {{"<<<", "<", "<<"}, "<<<<<<"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(translate_pieces(c.pieces)), decimal(c.expected)) << show(c.pieces);
    }
}

TEST(stream_translator, produced_bytes_are_scanned_again_with_the_next_piece) {
    const std::vector<pieces_case> cases = {
        {{"<60>", "13>"}, bytes({13})},
        {{"<60>", "B>"}, bytes({2})},
        {{"<6", "0>1", "3>"}, bytes({13})},
        {{"<60>60>", "60>13", ">"}, bytes({13})},
        {{"<60>", "6", "0", ">", "1", "3", ">"}, bytes({13})},
        {{"<60,6", "5>", ">"}, bytes({1})},  // "<A" produced, then ">"
        {{"<60,49,51>", ">"}, bytes({13})},
        {{"<_25", "2>13>"}, bytes({13})},
        {{"<60>", ""}, "<"},
        {{"<60,60>", "A>"}, bytes({60, 1})},
        // Text before a translated tag is never scanned again, across pieces too.
        {{"<", "<62>"}, "<>"},
        {{"<1", "<62>"}, "<1>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(translate_pieces(c.pieces)), decimal(c.expected)) << show(c.pieces);
    }
}

// What is given out at once and what waits, piece by piece; an empty piece means finish().
TEST(stream_translator, gives_out_everything_before_an_unfinished_tag) {
    struct step {
        std::string piece;
        std::string given;
        std::size_t held;
    };
    const std::vector<step> steps = {
        {"Hi<13", "Hi", 3},
        {">x<", bytes({13, 'x'}), 1},
        {"<", "<", 1},
        {"A B", "<A B", 0},
        {"<60>", "", 1},  // the produced "<" waits
        {"<", "<", 1},
        {"12345", "", 6},
        {"", "<12345", 0},
        // After finish() the translator takes a new text.
        {"<CR", "", 3},
        {">", bytes({13}), 0},
        {"", "", 0},
    };
    stream_translator t;
    for (const auto& s : steps) {
        const std::string given(s.piece.empty() ? t.finish() : t.translate(s.piece));
        EXPECT_EQ(decimal(given), decimal(s.given)) << "piece: " << s.piece;
        EXPECT_EQ(t.held_back(), s.held) << "piece: " << s.piece;
    }
}

// Random texts of the shapes that matter to the scanner, cut at random places (often into
// single bytes), against the translation of the whole text at once.
std::string random_text(std::mt19937& random) {
    static const std::vector<std::string> tokens = {
        "<",       "<<<<",       ">",       "<60>",    "60>",   "13>",    "<60>60>13>", "<A",
        "<A<A",    "B>",         "<13>",    "<254,1>", "<CLS>", "<_252>", "<_5>",       "<\\ab>",
        "<60,65>", "<60,49,51>", "<60,60>", "<FOO>",   "<1 2>", "<>",     "<,>",        "<cr,lf>",
        "000000",  ",",          "_",       "\\",      " ",     "\r\n",   "x",          "Hi"};
    const std::string alphabet = "<<<<>>>,,0123456789_\\AaZz[` \r\n";
    std::string text;
    const std::size_t length = random() % 120;
    while (text.size() < length) {
        switch (random() % 4) {
            case 0:
                text += tokens[random() % tokens.size()];
                break;
            case 1:
                text += static_cast<char>(random() % 256);  // zero and high bytes too
                break;
            default:
                text += alphabet[random() % alphabet.size()];
        }
    }
    return text;
}

std::vector<std::string> random_cuts(const std::string& text, std::mt19937& random) {
    std::vector<std::string> pieces;
    const int style = static_cast<int>(random() % 3);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t size = 1;
        if (style == 1) size = 1 + random() % 8;
        if (style == 2) size = random() % (text.size() + 1);  // empty pieces too
        size = std::min(size, text.size() - at);
        pieces.push_back(text.substr(at, size));
        at += size;
    }
    return pieces;
}

TEST(stream_translator, agrees_with_the_whole_text_on_random_texts_and_cuts) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = random_text(random);
        const std::vector<std::string> pieces = random_cuts(text, random);
        ASSERT_EQ(decimal(translate_pieces(pieces)), decimal(TRANSLATE_TEXT(text)))
            << "pieces: " << show(pieces);
    }
}

TEST(stream_translator, agrees_with_the_whole_text_at_every_single_cut) {
    const std::vector<std::string> texts = {"<60>60>60>13>x",
                                            "<<<<13>>>>",
                                            "<254,1>Hi<CLS><_5>",
                                            "<60,49,51>>",
                                            "<A<B>",
                                            "<60,60,60>A>",
                                            "<\\abc>< 1>",
                                            "<1<62>",
                                            "x<_252>13>y<60>",
                                            "<000000000000013>z",
                                            bytes({60, 0, 62, 60, 255, 62, 60, 48, 62})};
    for (const auto& text : texts) {
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            const std::vector<std::string> pieces = {text.substr(0, cut), text.substr(cut)};
            ASSERT_EQ(decimal(translate_pieces(pieces)), decimal(TRANSLATE_TEXT(text)))
                << "pieces: " << show(pieces);
        }
    }
}

// A "<" that is never closed, followed by megabytes of text that holds near misses: the
// translator holds at most the longest run of body characters after a "<", and its buffer
// stays the size it took for the first pieces.
TEST(stream_translator, holds_back_a_bounded_amount_of_unclosed_text) {
    const std::string unit =
        "<Hello display <<<< <A<B<C the quick <brown fox\r\n<13 <254,1 <CLEAR_SCREEN\t<\\ab ";
    const std::size_t longest_held = std::string_view("<CLEAR_SCREEN").size();
    std::string text = "<";
    while (text.size() < 8 * 1024 * 1024) text += unit;
    text += "<60";  // ends in an unfinished tag

    const std::size_t piece = 65536;
    stream_translator t;
    std::string out;
    std::size_t most_held = 0;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        out += t.translate(std::string_view(text).substr(at, piece));
        most_held = std::max(most_held, t.held_back());
        ASSERT_LE(t.buffer_size(), 2 * piece) << "after " << at << " bytes";
    }
    out += t.finish();
    EXPECT_LE(most_held, longest_held);
    EXPECT_EQ(out.size(), text.size());
    EXPECT_TRUE(out == text);  // no ">" anywhere: nothing is a tag
}

// The tag grammar has no length limit, so a run of body characters is held until it ends;
// whichever way it ends, the bytes are right.
TEST(stream_translator, a_long_run_of_body_characters_waits_for_its_end) {
    const std::size_t run = 3 * 1024 * 1024;
    const std::string zeros(run, '0');
    const std::string letters(run, 'q');
    struct ending {
        std::string start, filler, end;
        std::string expected;
    };
    const std::vector<ending> endings = {
        {"<", zeros, "13>", bytes({13})},
        {"<\\", letters, "\\>!", std::string(run, 'Q') + "!"},
        {"<", letters, " ", "<" + letters + " "},
        {"<", letters, "", "<" + letters},
    };
    for (const auto& e : endings) {
        stream_translator t;
        std::string out(t.translate(e.start));
        for (std::size_t at = 0; at < run; at += 4096) {
            out += t.translate(std::string_view(e.filler).substr(at, 4096));
        }
        EXPECT_EQ(out, "");
        EXPECT_EQ(t.held_back(), e.start.size() + run);
        out += t.translate(e.end);
        out += t.finish();
        EXPECT_EQ(out.size(), e.expected.size()) << e.start << " ... " << e.end;
        EXPECT_TRUE(out == e.expected) << e.start << " ... " << e.end;
    }
}

}  // namespace
}  // namespace quillon
