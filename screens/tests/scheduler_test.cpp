// The scheduler on an injected clock: rotation, priorities, screen/set, line/N, alerts and their
// time to live, send and raw messages, merging; and through the renderer, the screen that an
// alert hid comes back byte for byte.
#include "screens/scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "display/module.h"
#include "screens/display_screens.h"
#include "screens/renderer.h"
#include "screens/screens_file.h"

namespace quillon::screens {
namespace {

using namespace std::chrono_literals;
using display::profile;

const display_kind lcd{profile::hd44780, {16, 2}};

// Milliseconds since the start; the wall clock 250 ms past a whole second then.
moment at(long long ms) {
    return {std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms)),
            std::chrono::system_clock::time_point(std::chrono::milliseconds(1'000'000'250 + ms))};
}

scheduler loaded(const char* yaml, const display_kind& kind = lcd) {
    const read_screens read = read_screens_file(yaml, "s.yaml", kind);
    EXPECT_TRUE(read.file) << read.error;
    scheduler s(kind);
    s.load(read.file, at(0));
    return s;
}

// The rows a showing shows, each without its trailing blanks; "(foreign)" for a send or raw.
std::string rows_of(const showing& s) {
    if (!s.shown) return "(foreign)";
    std::string text;
    for (int r = 0; r < s.shown->grid.rows; ++r) {
        std::string row(s.shown->codes.begin() + r * s.shown->grid.columns,
                        s.shown->codes.begin() + (r + 1) * s.shown->grid.columns);
        row.erase(row.find_last_not_of(' ') + 1);
        text += (r > 0 ? "|" : "") + row;
    }
    text.erase(text.find_last_not_of('|') + 1);
    return text;
}

const char* three_screens = R"(
screens:
  - {name: a, duration: 10, priority: 1, lines: ["screen A", "{value:v}"]}
  - {name: b, duration: 5, priority: 1, lines: ["screen B"]}
  - {name: c, duration: 3, lines: ["screen C"]}
)";

TEST(scheduler, rotates_sets_and_shows_alerts_on_an_injected_clock) {
    scheduler s = loaded(three_screens);
    enum class request { none, set, line, alert, foreign };
    struct row {
        long long ms;
        request what;
        std::string argument;
        std::string shown;
        long long next;  // -1: nothing due
    };
    const std::vector<row> rows{
        {0, request::none, "", "screen A|--", 10000},
        {9999, request::none, "", "screen A|--", 10000},
        {10000, request::none, "", "screen B", 15000},
        {15000, request::none, "", "screen A|--", 25000},
        // A lower priority's screen by name, for its duration; then the rotation goes on.
        {16000, request::set, "c", "screen C", 19000},
        {19000, request::none, "", "screen A|--", 29000},
        {20000, request::line, "2 line {value:v}", "screen A|line --", 29000},
        // An alert hides the screen, whose time stands still until the alert is gone.
        {20000, request::alert, R"({"text": "Door open", "ttl": 5})", "Door open", 25000},
        {24999, request::none, "", "Door open", 25000},
        {25000, request::none, "", "screen A|line --", 34000},
        {26000, request::alert, R"({"text": "low", "ttl": 10, "priority": 1})", "low", 36000},
        {27000, request::alert, R"({"text": "high", "ttl": 2, "priority": 5})", "high", 29000},
        {29000, request::none, "", "low", 36000},
        {36000, request::none, "", "screen A|line --", 44000},
        // A send or raw message: nothing drawn for its 10 s.
        {37000, request::foreign, "", "(foreign)", 47000},
        {47000, request::none, "", "screen A|line --", 54000},
        {48000, request::foreign, "", "(foreign)", 58000},
        // An alert ends it; line breaks and wrapping at spaces; the ttl by default 10 s.
        {49000, request::alert, "Water in the cellar\nnow", "Water in the|cellar", 59000},
        {59000, request::none, "", "screen A|line --", 65000},
        // line/N lasts until another screen shows.
        {65000, request::none, "", "screen B", 70000},
        {70000, request::none, "", "screen A|--", 80000},
    };
    for (const row& r : rows) {
        std::string error;
        switch (r.what) {
            case request::none:
                break;
            case request::set:
                error = s.show_screen(r.argument, at(r.ms));
                break;
            case request::line:
                error = s.set_line(r.argument[0] - '0', r.argument.substr(2), at(r.ms));
                break;
            case request::alert:
                error = s.alert(r.argument, at(r.ms));
                break;
            case request::foreign:
                s.foreign(at(r.ms));
                break;
        }
        EXPECT_EQ(error, "") << r.ms;
        EXPECT_EQ(rows_of(s.what(at(r.ms))), r.shown) << r.ms;
        const auto next = s.next_change();
        EXPECT_EQ(next ? (*next - at(0).steady) / 1ms : -1, r.next) << r.ms;
    }
}

TEST(scheduler, refuses_requests_it_cannot_show) {
    scheduler s = loaded(three_screens);
    EXPECT_EQ(s.show_screen("zz", at(0)), "no screen is named \"zz\"");
    EXPECT_EQ(s.set_line(3, "x", at(0)), "line 3: the glass has lines 1 to 2");
    EXPECT_EQ(s.set_line(1, "{glyph:g}", at(0)), "{glyph:g}: no such user character");
    const std::vector<std::pair<std::string, std::string>> alerts{
        {R"({"text": 5})", "an alert in JSON has its text as a string under \"text\""},
        {R"({"text": "a", "tll": 3})",
         "an alert in JSON takes text, ttl and priority, not \"tll\""},
        {R"({"text": "a", "ttl": 0})",
         "an alert's ttl is a number of seconds above 0 and at most 86400"},
        {R"({"text": "a", "priority": "high"})",
         "an alert's priority is a whole number from -1000000 to 1000000"},
        {"{value:}", "{value:} names no topic"},
    };
    for (const auto& [payload, error] : alerts)
        EXPECT_EQ(s.alert(payload, at(0)), error) << payload;
    EXPECT_EQ(rows_of(s.what(at(0))), "screen A|--");
    // Text that starts with a brace but is no JSON is a template.
    EXPECT_EQ(s.alert("{{x}} {value:v}", at(0)), "");
    EXPECT_EQ(rows_of(s.what(at(0))), "{x} --");
}

// The acceptance case: an alert of 5 s at 0 shows at once and is gone at 5 s, and the bytes
// fed to the module give back exactly the screen it hid, marquee and all; a raw message after
// its 10 s the same, repainted whole.
TEST(scheduler, gives_back_the_hidden_screen_byte_for_byte) {
    const display_kind kind{profile::hd44780, {20, 4}};
    scheduler s = loaded(R"(
screens:
  - name: a
    lines:
      - "Temp {value:t:$.c:%.1f}"
      - marquee: "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        speed: 4
      - bar: "{value:t:$.c}"
        max: 40
)",
                         kind);
    renderer r(kind);
    auto module = display::make_module(kind.profile, kind.size);
    auto draw = [&](long long ms) {
        const showing shown = s.what(at(ms));
        const std::string bytes = shown.shown ? r.render(*shown.shown) : std::string();
        module->feed(bytes);
        return bytes;
    };
    draw(0);
    EXPECT_TRUE(s.set_value("t", R"({"c": 21.25})"));
    draw(0);
    const display::screen before = module->view();
    EXPECT_EQ(before.row(0), "Temp 21.2           ");
    ASSERT_EQ(s.alert(R"({"text": "ALERT", "ttl": 5})", at(0)), "");
    draw(0);
    EXPECT_EQ(module->view().row(0), "ALERT               ");
    EXPECT_EQ(draw(4999), "");
    draw(5000);
    EXPECT_EQ(module->view().codes, before.codes);
    EXPECT_EQ(module->view().custom, before.custom);

    const std::string raw = "\xFE\x01Hello";
    r.foreign(raw);
    module->feed(raw);
    s.foreign(at(5000));
    EXPECT_EQ(draw(14999), "");
    EXPECT_EQ(draw(15000).substr(0, 5), std::string("\0\xFE\x01\xFE\x06", 5));
    EXPECT_EQ(module->view().codes, before.codes);
}

TEST(scheduler, counts_merged_frames_and_lights_as_asked) {
    scheduler s = loaded(R"(
screens:
  - {name: a, lines: [{marquee: "ABCDEFGHIJKLMNOPQRSTUVWXYZ", speed: 4}, "{time:%S} {value:v}"]}
  - {name: dark, priority: -1, backlight: off, lines: []}
)");
    s.what(at(0));
    EXPECT_EQ(*s.next_change() - at(0).steady, 250ms);  // the marquee's step, before the second
    // 1 s later: 4 marquee steps and a new second, of which the frame drawn is the last.
    s.what(at(1000));
    EXPECT_EQ(s.merges(), 4U);
    s.what(at(1250));
    EXPECT_EQ(s.merges(), 4U);
    EXPECT_TRUE(s.set_value("v", "1"));
    EXPECT_TRUE(s.set_value("v", "2"));
    EXPECT_FALSE(s.set_value("w", "2"));
    EXPECT_EQ(rows_of(s.what(at(1250))), "FGHIJKLMNOPQRSTU|41 2");
    EXPECT_EQ(s.merges(), 5U);

    s.set_backlight(false);
    EXPECT_FALSE(s.what(at(1250)).shown->backlight);
    s.set_backlight(true);
    EXPECT_TRUE(s.what(at(1250)).shown->backlight);
    ASSERT_EQ(s.show_screen("dark", at(1250)), "");
    EXPECT_FALSE(s.what(at(1250)).shown->backlight);
}

}  // namespace
}  // namespace quillon::screens

namespace quillon::screens {
namespace {

// The scheduler and the renderer as the bridge drives them, and the state it publishes.
TEST(display_screens, drive_one_display_and_tell_its_state) {
    display_screens d(lcd);
    auto module = display::make_module(lcd.profile, lcd.size);
    EXPECT_EQ(d.load("screens: [{name: m, lines: ['T {value:t}']}]", "s.yaml", at(0)), "");
    EXPECT_EQ(d.topics(), (std::set<std::string, std::less<>>{"t"}));
    EXPECT_EQ(d.screen_names(), std::vector<std::string>{"m"});
    d.value("t", "1");
    module->feed(d.frame(at(0)));
    // A file refused keeps the screens running.
    EXPECT_EQ(d.load("screens: [", "s.yaml", at(1)), "s.yaml:1: end of sequence flow not found");
    EXPECT_EQ(d.frame(at(1)), "");
    d.foreign("\xFE\x01", at(1));
    module->feed("\xFE\x01");
    EXPECT_EQ(d.frame(at(2)), "");
    EXPECT_EQ(
        d.state_json(),
        R"({"backlight":true,"cursor":{"column":0,"row":0,"shown":false},"merges":0,)"
        R"("rows":["                ","                "],"screen":"m","showing":"message"})");
    module->feed(d.frame(at(10001)));
    EXPECT_EQ(module->view().row(0), "T 1             ");
    EXPECT_EQ(d.state_json(),
              R"({"backlight":true,"cursor":{"column":3,"row":0,"shown":false},"merges":0,)"
              R"("rows":["T 1             ","                "],"screen":"m","showing":"screen"})");
}

// Without screens, what messages wrote is the display's own: an alert over it, and the
// backlight switched, draw it again from the twin, a user character with its dots.
TEST(display_screens, give_a_display_without_screens_its_own_text_back) {
    display_screens d(lcd);
    auto module = display::make_module(lcd.profile, lcd.size);
    // User character 1 a diagonal, then "Hi", it, and "yo" on the second row.
    const std::string own(
        "\xFE\x01\xFE\x48\x10\x08\x04\x02\x01\x00\x00\x00\xFE\x80"
        "Hi\x01\xFE\xC0yo",
        20);
    module->feed(own);
    d.foreign(own, at(0));
    EXPECT_EQ(d.frame(at(0)), "");
    const display::screen before = module->view();
    ASSERT_EQ(d.alert(R"({"text": "Ring", "ttl": 1})", at(0)), "");
    module->feed(d.frame(at(0)));
    EXPECT_EQ(module->view().row(0), "Ring            ");
    module->feed(d.frame(at(1000)));
    EXPECT_EQ(module->view().codes, before.codes);
    EXPECT_EQ(module->view().custom[1], (display::glyph{16, 8, 4, 2, 1, 0, 0, 0}));
    EXPECT_EQ(d.frame(at(1001)), "");
    d.set_backlight(false);
    EXPECT_EQ(d.frame(at(1002)), "\xFE\x08");  // display off, its contents kept
    d.set_backlight(true);
    EXPECT_EQ(d.frame(at(1003)), "\xFE\x0C");
}

}  // namespace
}  // namespace quillon::screens
