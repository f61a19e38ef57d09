// The screens file: the form the bridge's documentation shows, read as written, and a bad file
// refused whole with its name, the line and the reason.
#include "screens/screens_file.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quillon::screens {
namespace {

using namespace std::chrono_literals;
using display::profile;

const display_kind lcd{profile::hd44780, {20, 4}};

TEST(screens_file, reads_the_documented_form) {
    const read_screens read = read_screens_file(R"(
screens:
  - name: main
    duration: 10          # seconds, then the next screen of the same priority
    priority: 1           # the highest priority with screens is shown
    lines:
      - "Time {time:%H:%M:%S}"
      - "Temp {value:home/temp:$.celsius:%.1f}C"
      - marquee: "Now playing: {value:home/song}"
        speed: 4          # steps a second
      - bar: "{value:home/load:$.pct}"
        max: 100
  - name: night
    duration: 2.5
    backlight: off
    placeholder: "?"
    lines: [-, {big: "{time:%H:%M}", align: center}]
glyphs:
  heart: [".....", ".#.#.", "#####", "#####", ".###.", "..#..", 0, 0]
)",
                                                "screens.yaml", lcd);
    ASSERT_TRUE(read.file) << read.error;
    const screens_file& f = *read.file;
    ASSERT_EQ(f.screens.size(), 2U);
    const screen_spec& main = f.screens[0];
    EXPECT_EQ(main.name, "main");
    EXPECT_EQ(main.duration, 10s);
    EXPECT_EQ(main.priority, 1);
    ASSERT_EQ(main.lines.size(), 4U);
    EXPECT_EQ(main.lines[2].kind, widget::marquee);
    EXPECT_EQ(main.lines[2].step, 250ms);
    EXPECT_EQ(main.lines[3].kind, widget::bar);
    EXPECT_EQ(main.lines[3].source_line, 11);
    const screen_spec& night = f.screens[1];
    EXPECT_EQ(night.duration, 2500ms);
    EXPECT_FALSE(night.backlight);
    EXPECT_EQ(night.placeholder, "?");
    EXPECT_EQ(night.lines[1].rows, 2);
    EXPECT_EQ(f.placeholder, "--");
    EXPECT_EQ(f.glyphs.at("heart"), (display::glyph{0, 10, 31, 31, 14, 4, 0, 0}));
    EXPECT_EQ(f.topics,
              (std::set<std::string, std::less<>>{"home/load", "home/song", "home/temp"}));
}

TEST(screens_file, refuses_a_bad_file_naming_the_line) {
    struct row {
        std::string text;
        std::string error;
        display_kind kind = lcd;
    };
    const std::string one = "screens:\n  - name: a\n    lines:\n";
    const std::vector<row> rows{
        {"screens: [", "s.yaml:1: end of sequence flow not found"},
        {"- a", "s.yaml:1: the file is a map with a list of screens under screens:"},
        {"screens: " + std::string(600, '['),
         "s.yaml:1: nested too deeply to read (500 levels or more)"},
        {"screen: []",
         "s.yaml:1: unknown key \"screen\": the file takes placeholder, glyphs, screens"},
        {"placeholder: x", "s.yaml:1: no screens: the file lists them under screens:"},
        {"screens: []", "s.yaml:1: screens is a list of at least one screen"},
        {"screens:\n  - lines: []", "s.yaml:2: a screen without a name"},
        {one + "      - a\n  - name: a\n    lines: []",
         "s.yaml:5: a screen named \"a\" is already on line 2"},
        {"screens:\n  - name: a\n    name: b\n    lines: []",
         "s.yaml:3: the key \"name\" is given twice"},
        {"screens:\n  - name: a\n    duration: soon\n    lines: []",
         "s.yaml:3: duration is a number, not \"soon\""},
        {"screens:\n  - name: a\n    duration: 0\n    lines: []",
         "s.yaml:3: duration is from 0.1 to 86400 seconds"},
        {"screens:\n  - name: a\n    priority: 1.5\n    lines: []",
         "s.yaml:3: priority is a whole number from -1000000 to 1000000, not \"1.5\""},
        {"screens:\n  - name: a\n    backlight: dim\n    lines: []",
         "s.yaml:3: backlight is on or off, not \"dim\""},
        {"screens:\n  - name: a", "s.yaml:2: screen \"a\" has no lines"},
        {one + "      - marquee: x\n        spead: 4",
         "s.yaml:5: unknown key \"spead\": a marquee line takes marquee, speed, gap, align"},
        {one + "      - marquee: x\n        speed: 0",
         "s.yaml:5: speed is above 0 and at most 50 steps a second"},
        {one + "      - {bar: x, max: 0}", "s.yaml:4: a bar's max is above its min"},
        {one + "      - {text: x, align: middle}",
         "s.yaml:4: align is left, right or center, not \"middle\""},
        {one + "      - {text: x, big: y}",
         "s.yaml:4: a line is one of text, marquee, bar and big, not both text and big"},
        {one + "      - {label: x}", "s.yaml:4: a line is text, marquee, bar or big"},
        {one + "      - {big: x, rows: 4}", "s.yaml:4: big digits take 2 rows on the hd44780 20x4"},
        {one + "      - [a]", "s.yaml:4: a line is a text"},
        {one + "      - \"a {value:t:%q}\"",
         "s.yaml:4: {value:t:%q}: \"%q\" is not a conversion for a value: use one of %d %i %o %u "
         "%x %X %e %E %f %F %g %G %s"},
        {one + "      - a\n      - b\n      - c\n      - d\n      - e",
         "s.yaml:8: screen \"a\": this line would end on row 5 of a glass of 4 (hd44780 20x4)"},
        {one + "      - a\n      - b\n      - c\n      - big: \"1\"",
         "s.yaml:7: screen \"a\": this line would end on row 5 of a glass of 4 (hd44780 20x4)"},
        {one + "      - big: \"1\"",
         "s.yaml:4: big digits are not drawn on the graphic profiles: they "
         "have no user characters, and their BIG_BEGIN byte starts inverse text",
         {profile::graphic, {120, 32}}},
        {"glyphs: {g: [0, 0, 0, 0, 0, 0, 0, 0]}\n" + one + "      - big: \"1{glyph:g}\"",
         "s.yaml:5: screen \"a\": with this line its lines need 9 user characters; a module has 8",
         {profile::text, {20, 4}}},
        {one + "      - \"{glyph:g}\"",
         "s.yaml:4: {glyph:g}: glyphs: has no user character of that name"},
        {"glyphs: {g: [0, 0, 0, 0, 0, 0, 0, \"#..\"]}",
         "s.yaml:1: row 8 of the glyph \"g\" is 5 of \"#\" "
         "and \".\", or a number 0-31, not \"#..\""},
        {"glyphs: {g: [0]}",
         "s.yaml:1: the glyph \"g\" is a list of 8 rows of 5 dots (\"#\" lit, \".\" dark)"},
    };
    for (const row& r : rows) {
        const read_screens read = read_screens_file(r.text, "s.yaml", r.kind);
        EXPECT_FALSE(read.file) << r.text;
        EXPECT_EQ(read.error, r.error) << r.text;
    }
}

}  // namespace
}  // namespace quillon::screens
