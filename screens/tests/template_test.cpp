// Templates (values, JSON paths, formats, the placeholder, the time from an injected clock, the
// charset) and the widgets that lines draw them with.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "screens/layout.h"
#include "screens/screens_file.h"
#include "screens/text_template.h"

namespace quillon::screens {
namespace {

using namespace std::chrono_literals;
using display::profile;

const display_kind lcd{profile::hd44780, {20, 4}};
// 1970-01-01 00:00:05 UTC; the tests run with TZ=CET-1, an hour east.
const std::chrono::system_clock::time_point five_past{5s};
// {time:...} shows local time: a zone an hour east of UTC, so that it shows.
const bool zone_set = setenv("TZ", "CET-1", 1) == 0;

TEST(text_template, shows_values_times_and_text_in_the_modules_codes) {
    struct row {
        const char* text;
        std::vector<std::pair<std::string, std::string>> values;
        std::string shown;
        display_kind kind = lcd;
    };
    const std::string long_value(2000, 'x');
    const std::vector<row> rows{
        {"{value:t}", {}, "--"},
        {"T {value:t}", {{"t", "21.5"}}, "T 21.5"},
        {"{value:t:$.celsius:%.1f}C", {{"t", R"({"celsius": 21.53})"}}, "21.5C"},
        {"{value:t:$.a[1].b}", {{"t", R"({"a": [{}, {"b": "x"}]})"}}, "x"},
        {"{value:t:$.missing}", {{"t", R"({"a": 1})"}}, "--"},
        {"{value:t:$.a}", {{"t", "not JSON"}}, "--"},
        {"{value:t:$.on} {value:t:$.list} {value:t:$.none}",
         {{"t", R"({"on": true, "list": [1],
          "none": null})"}},
         "true -- --"},
        {"{value:t:$.n} {value:t:$.n:%s}", {{"t", R"({"n": 2.5})"}}, "2.5 2.5"},
        {"{value:t:%05.1f}", {{"t", " 3.14159 "}}, "003.1"},
        {"{value:t:%d}", {{"t", "21.5"}}, "22"},
        {"{value:t:$.s:%+d}", {{"t", R"({"s": "-3.4"})"}}, "-3"},
        {"{value:t:%x} {value:t:%X}", {{"t", "-1"}}, "-- --"},
        {"{value:t:%d}", {{"t", "warm"}}, "--"},
        {"{value:t:%s!}", {{"t", "hi"}}, "hi!"},
        {"{{value}} {{{value:t}}}", {{"t", "1"}}, "{value} {1}"},
        {"{value:t}", {{"t", "a\nb\x01"}}, "ab"},
        {"{value:t}", {{"t", "<13>"}}, "<13>"},
        {"<223>C {value:t}",
         {{"t", "°"}},
         "\xDF"
         "C \xDF"},
        {"20°C",
         {},
         "20\xDF"
         "C"},
        {"20°C", {}, "20?C", {profile::graphic, {120, 32}}},
        {"<8><128>", {}, "?", {profile::text, {20, 4}}},
        {"{value:t}", {{"t", long_value}}, long_value.substr(0, most_cells)},
        {"{time:%H:%M:%S} {time:%d.%m.%Y}", {}, "01:00:05 01.01.1970"},
        {"{glyph:heart}{glyph:other}", {}, "\x03?"},
    };
    const std::string placeholder = "--";
    const glyph_codes glyphs{{"heart", 3}};
    for (const row& r : rows) {
        std::string error;
        const auto t = text_template::parse(r.text, r.kind, false, error);
        ASSERT_TRUE(t) << r.text << ": " << error;
        value_store values;
        for (const auto& [topic, payload] : r.values) values.set(topic, payload);
        EXPECT_EQ(t->expand(r.kind, {values, five_past, placeholder, glyphs}), r.shown) << r.text;
    }
}

TEST(text_template, refuses_what_it_cannot_show_safely) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"{value:}", "{value:} names no topic"},
        {"{value:home/+}", "{value:home/+}: a topic with + or # is a filter, not one topic"},
        {"{value:t:$a}", "{value:t:$a}: \"$a\" is not a JSON path: steps are .key and [n]"},
        {"{value:t:$.a[x]}",
         "{value:t:$.a[x]}: \"$.a[x]\" is not a JSON path: an index is a whole number, as in [0]"},
        {"{value:t:%q}",
         "{value:t:%q}: \"%q\" is not a conversion for a value: use one of %d %i %o %u %x %X %e "
         "%E %f %F %g %G %s"},
        {"{value:t:%n}",
         "{value:t:%n}: \"%n\" is not a conversion for a value: use one of %d %i %o %u %x %X %e "
         "%E %f %F %g %G %s"},
        {"{value:t:%d:%d}", "{value:t:%d:%d}: \"%d:%d\" has more than one conversion"},
        {"{value:t:%123d}",
         "{value:t:%123d}: \"%123d\": a width or precision has at most two digits"},
        {"{value:t:%%}", "{value:t:%%}: \"%%\" has no conversion such as %.1f"},
        {"{time:%H:%Q}",
         "{time:%H:%Q}: \"%Q\" is not a time conversion: see strftime(3); %n and %t are not taken"},
        {"{clock}",
         "\"{clock}\" is not a field: fields are {value:TOPIC}, {time:FORMAT} and {glyph:NAME}; "
         "write \"{{\" for a brace"},
        {"a } b", "a lone \"}\": write \"}}\" for a brace"},
        {"t {value:t", "\"{value:t\" has no closing \"}\""},
    };
    for (const auto& [text, message] : rows) {
        std::string error;
        EXPECT_FALSE(text_template::parse(text, lcd, false, error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

// A screen of each widget, drawn at moments of its own time.
TEST(widgets, draw_their_lines) {
    const auto text_screens = [](const display_kind& kind, const char* yaml) {
        const read_screens read = read_screens_file(yaml, "w.yaml", kind);
        EXPECT_TRUE(read.file) << read.error;
        return read.file;
    };
    const auto lines = text_screens(lcd, R"(
screens:
  - name: w
    lines:
      - marquee: "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        speed: 2
        gap: 2
      - bar: "{value:load}"
        label: "L "
      - text: "{value:x}"
        align: right
      - text: "{value:x}"
        align: center
)");
    const auto big2 = text_screens({profile::hd44780, {16, 2}}, R"(
screens: [{name: b, lines: [{big: "{value:t}", align: right}]}]
)");
    const auto big4 = text_screens({profile::text, {20, 4}}, R"(
screens: [{name: b, lines: [{big: "{value:t}"}]}, {name: c, lines: [{big: "{value:t}", rows: 2}]}]
)");
    struct row {
        const screens_file& file;
        std::chrono::milliseconds elapsed;
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::string> rows;
    };
    const std::vector<row> rows{
        {*lines,
         0ms,
         {{"x", "ab"}},
         {"ABCDEFGHIJKLMNOPQRST", "L --", "                  ab", "         ab"}},
        // 2 steps a second: 3 steps at 1.5 s; 25 at 12.5 s, where the gap comes round.
        {*lines,
         1500ms,
         {{"load", "50"}},
         {"DEFGHIJKLMNOPQRSTUVW", "L \7\7\7\7\7\7\7\7\7", "                  --", "         --"}},
        {*lines, 12500ms, {{"load", "52"}}, {"Z  ABCDEFGHIJKLMNOPQ", "L \7\7\7\7\7\7\7\7\7\4"}},
        {*lines,
         0ms,
         {{"load", "250"}},
         {"ABCDEFGHIJKLMNOPQRST", std::string("L ") + std::string(18, '\7')}},
        {*big2,
         0ms,
         {{"t", "12:5"}},
         {std::string("     \1\0  \3\3\0\4\0\3\3", 16),
          std::string("     \2\0\2 \0\2\2\5\2\2\0", 16)}},
        {*big2, 0ms, {}, {"           \2\2 \2\2", ""}},
    };
    for (const row& r : rows) {
        value_store values;
        for (const auto& [topic, payload] : r.values) values.set(topic, payload);
        const frame f =
            compose_screen(r.file, r.file.screens[0], values, {five_past, r.elapsed}, {}, true)
                .shown;
        for (std::size_t n = 0; n < r.rows.size(); ++n) {
            std::string expected = r.rows[n];
            expected.resize(static_cast<std::size_t>(f.grid.columns), ' ');
            const auto* begin = f.codes.data() + n * static_cast<std::size_t>(f.grid.columns);
            EXPECT_EQ(std::string(begin, begin + f.grid.columns), expected) << "row " << n;
        }
    }
    // Family A's 4-row glass: the module's own big mode, its symbols and where they start.
    value_store values;
    values.set("t", "1a");
    const frame f =
        compose_screen(*big4, big4->screens[0], values, {five_past, 0ms}, {}, true).shown;
    EXPECT_EQ(f.big, (std::vector<big_symbol_at>{{0, '1'}, {5, 'A'}}));
    // rows: 2 there: the 2-row digits, from the user characters 128-133.
    const frame two =
        compose_screen(*big4, big4->screens[1], values, {five_past, 0ms}, {}, true).shown;
    EXPECT_EQ(std::string(two.codes.begin(), two.codes.begin() + 4), "\x81\x80  ");
    EXPECT_TRUE(two.big.empty());
}

}  // namespace
}  // namespace quillon::screens
