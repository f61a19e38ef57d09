// The text-to-bytes step: the bytes and the notes in words for a table of texts, each run whole
// and again one byte at a time, since standard input may cut a text anywhere.
#include "translate/text_to_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/utf8.h"
#include "translate/tests/byte_literals.h"

namespace quillon {
namespace {

using charset::rom;
using test::decimal;

struct result {
    std::string bytes;
    std::vector<std::string> notes;
};

std::vector<std::string> words(const text_notes& notes, const text_settings& settings) {
    std::vector<std::string> lines;
    for (const note_line& line : note_lines(notes, settings, "--charset a00 or a02")) {
        lines.push_back(line.text);
    }
    return lines;
}

result whole(const std::string& typed, const text_settings& settings) {
    text_notes notes;
    std::string bytes = bytes_of_text(typed, settings, notes);
    return {std::move(bytes), words(notes, settings)};
}

result byte_by_byte(const std::string& typed, const text_settings& settings) {
    text_to_bytes step(settings);
    std::string bytes;
    for (const char c : typed) bytes += step.convert(std::string_view(&c, 1));
    bytes += step.finish();
    return {std::move(bytes), words(step.notes(), settings)};
}

const text_settings raw{};
const text_settings a00{rom::a00};
const text_settings a02{rom::a02};
const text_settings a00_untranslated{rom::a00, false};
const text_settings untranslated{std::nullopt, false};
const text_settings quiet{std::nullopt, true, false};

const std::string beyond_ascii =
    "'ü' (U+00FC) is sent as the 2 bytes of its UTF-8, which a module shows as 2 characters of "
    "its own ROM: try --charset a00 or a02";
const std::string backslash =
    "\\ and ~ are not in the A00 ROM: sent as typed, they show as ¥ and →";

TEST(text_to_bytes, charset_then_tags_with_what_it_noticed) {
    const struct {
        const char* what;
        text_settings settings;
        std::string typed, bytes;
        std::vector<std::string> notes;
    } table[] = {
        {"tags", raw, "<LMA_CLS>Hi<CR,LF>", "\xfe\x01\xfe\x80Hi\r\n", {}},
        {"raw UTF-8 beyond ASCII",
         raw,
         "Grün 25°C",
         "Gr\xc3\xbcn 25\xc2\xb0"
         "C",
         {beyond_ascii}},
        {"untranslated UTF-8", untranslated, "<13>ü", "<13>\xc3\xbc", {beyond_ascii}},
        {"bytes that are no UTF-8", raw, "Gr\xfcn \xc3\xbc", "Gr\xfcn \xc3\xbc", {}},
        {"a cut character at the end", raw, "A\xc3", "A\xc3", {}},
        {"quiet", quiet, "<LMA_LINE_2>ü", "\xc3\xbc", {}},
        {"A00",
         a00,
         "<LMA_CLS>Grün 25°C",
         "\xfe\x01\xfe\x80Gr\xf5n 25\xdf"
         "C",
         {}},
        {"A02",
         a02,
         "Grün 25°C ↲",
         "Gr\xfcn 25\xb0"
         "C \x17",
         {}},
        {"A00 lacks the euro",
         a00,
         "5 € ✓ €\xc3",
         "5 ? ? ?\xc3",
         {"'€' (U+20AC) is not in the A00 ROM: sent as ?",
          "'✓' (U+2713) is not in the A00 ROM: sent as ?"}},
        // A surrogate, an overlong "/" and a point past U+10FFFF: no characters, so no "?".
        {"A00 and bytes that are no UTF-8",
         a00,
         "\xed\xa0\x80\xe0\x80\xaf\xf4\x90\x80\x80",
         "\xed\xa0\x80\xe0\x80\xaf\xf4\x90\x80\x80",
         {}},
        {"A00's \\ and ~ outside tags", a00, "C:\\~<\\abc>\\", "C:\\~ABC\\", {backslash}},
        {"A00's \\ in a tag", a00, "<\\abc>¥", "ABC\x5c", {}},
        {"A00's \\ in a run never closed", a00, "<\\abc", "<\\abc", {backslash}},
        {"A00 untranslated", a00_untranslated, "<\\x>", "<\\x>", {backslash}},
        {"A02 draws \\ and ~", a02, "\\~", "\\~", {}},
        {"unknown names, each once",
         raw,
         "<LMA_LINE_2>Hi<lma_line_2><13,Xyzzy_Plugh>",
         "Hi\r",
         {"unknown tag <LMA_LINE_2>: did you mean LMA_LINE2?",
          "unknown tag <Xyzzy_Plugh>: no such name (quillon-send --tags lists them)"}},
        {"a tag that bytes formed",
         raw,
         "<60>Xyzzy>",
         "",
         {"unknown tag <Xyzzy>: no such name (quillon-send --tags lists them)"}},
        {"the other forms give nothing but are no names", raw, "<_5x,\\\\,`>", "", {}},
        {"a very long name",
         raw,
         "<" + std::string(50, 'Q') + ">",
         "",
         {"unknown tag <" + std::string(40, 'Q') +
          "...>: no such name (quillon-send --tags lists them)"}},
        {"untranslated: no tags",
         untranslated,
         "<LMA_LINE_2><LMA-LINE3>",
         "<LMA_LINE_2><LMA-LINE3>",
         {}},
    };
    for (const auto& row : table) {
        for (const result& r :
             {whole(row.typed, row.settings), byte_by_byte(row.typed, row.settings)}) {
            EXPECT_EQ(decimal(r.bytes), decimal(row.bytes)) << row.what;
            EXPECT_EQ(r.notes, row.notes) << row.what;
        }
    }
}

// A name's letters with "-" or blanks among them, up to ">": text that stays text, told with the
// name it spells.
TEST(text_to_bytes, broken_tags_stay_text_and_name_the_tag) {
    const struct {
        std::string typed;
        std::string note;  // empty: none
    } table[] = {
        {"<LMA-LINE3>", "<LMA-LINE3> is sent as text, not as a tag: did you mean <LMA_LINE3>?"},
        {"<LMA_LINE 4>", "<LMA_LINE 4> is sent as text, not as a tag: did you mean <LMA_LINE4>?"},
        {"<clear screen>",
         "<clear screen> is sent as text, not as a tag: did you mean <CLEAR_SCREEN>?"},
        {"< CR>", "< CR> is sent as text, not as a tag: did you mean <CR>?"},
        {"<LMA-LINE9>", ""},
        {"<see - below>", ""},
        {"<CR, LF>", ""},
        {"<LMA-LINE3", ""},
        {"a <- b>", ""},
    };
    for (const auto& row : table) {
        const std::vector<std::string> expected =
            row.note.empty() ? std::vector<std::string>{} : std::vector{row.note};
        for (const result& r : {whole(row.typed, raw), byte_by_byte(row.typed, raw)}) {
            EXPECT_EQ(r.bytes, row.typed);
            EXPECT_EQ(r.notes, expected) << row.typed;
        }
    }
}

// 25 distinct unknown names, then one of the first again: 20 named, the other 5 counted; the
// same for characters the ROM lacks.
TEST(text_to_bytes, names_twenty_of_each_kind_then_counts_the_rest) {
    std::string names, characters;
    for (int i = 0; i < 25; ++i) {
        names += "<Zzzz" + std::to_string(i) + ">";
        characters += charset::encode_utf8(U'Ա' + static_cast<char32_t>(i));  // Armenian
    }
    const std::vector<std::string> notes = whole(names + "<ZZZZ0>" + characters + "Ա", a00).notes;
    ASSERT_EQ(notes.size(), 42u);
    EXPECT_EQ(notes[0], "unknown tag <Zzzz0>: no such name (quillon-send --tags lists them)");
    EXPECT_EQ(notes[19], "unknown tag <Zzzz19>: no such name (quillon-send --tags lists them)");
    EXPECT_EQ(notes[20], "and 5 more unknown or broken tags");
    EXPECT_EQ(notes[21], "'Ա' (U+0531) is not in the A00 ROM: sent as ?");
    EXPECT_EQ(notes[40], "'Մ' (U+0544) is not in the A00 ROM: sent as ?");
    EXPECT_EQ(notes[41], "and 5 more characters not in the A00 ROM, each sent as ?");
}

}  // namespace
}  // namespace quillon
