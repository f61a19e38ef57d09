// The bridge's screens against a real mosquitto: what the display's pseudo-terminal receives,
// fed to the module's emulator, is what the screens, values, alerts and requests ask for, and
// what the state topic says the display shows.
#include <signal.h>

#include <nlohmann/json.hpp>

#include "bridge/tests/bridge_fixture.h"
#include "display/charset.h"
#include "display/module.h"
#include "testing/scratch.h"

namespace quillon::test {
namespace {

using rows = std::vector<std::string>;

// The rows an HD44780 20x4 with the A00 ROM shows after these bytes.
rows glass_of(const std::string& bytes) {
    auto module = display::make_module(display::profile::hd44780, {20, 4}, display::rom::a00);
    module->feed(bytes);
    display::screen s;
    module->view(s);
    rows out;
    for (int r = 0; r < s.size.rows; ++r) {
        std::string row;
        for (int c = 0; c < s.size.columns; ++c) row += display::cell_text(s, s.code(r, c));
        out.push_back(row);
    }
    return out;
}

rows padded(std::initializer_list<std::string> lines) {
    rows out;
    for (std::string line : lines) out.push_back(line.append(20 - line.size(), ' '));
    return out;
}

class screens_run : public bridge_run {
  protected:
    scratch_folder folder;
    std::string screens_file = (folder / "lcd.yaml").string();
    pseudo_terminal lcd;
    master_drain lcd_bytes{lcd.master()};
    std::string seen;

    std::unique_ptr<bridge_process> start_lcd(const std::string& screens,
                                              std::vector<std::string> more = {}) {
        write_file(folder / "bridge.conf", std::string("display lcd=COM3,a00,hd44780:20x4\n") +
                                               (screens.empty() ? "" : "screens lcd=lcd.yaml\n"));
        if (!screens.empty()) write_file(screens_file, screens);
        more.insert(more.begin(), {"--config", (folder / "bridge.conf").string()});
        auto bridge = start(more, {{3, lcd.path()}}, false);
        EXPECT_TRUE(bridge->wait_for_log("serving", 3)) << bridge->output();
        return bridge;
    }
    // Whether the glass comes to show these rows, the bytes read so far fed to the emulator.
    bool glass_shows(const rows& wanted) {
        for (int tries = 0; tries < 100; ++tries) {
            if (glass_of(seen) == wanted) return true;
            seen = lcd_bytes.wait_for(seen.size() + 1, std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "the glass shows\n" << testing::PrintToString(glass_of(seen));
        return false;
    }
    // The first state published with this field so.
    nlohmann::json state_with(const std::string& field, const nlohmann::json& wanted) {
        for (std::size_t count = 1; count < 200; ++count) {
            const auto found = probe->wait_for("quillon/lcd/state", count);
            if (found.size() < count) break;
            nlohmann::json state = nlohmann::json::parse(found.back().payload);
            if (state[field] == wanted) return state;
        }
        ADD_FAILURE() << "no state with " << field << " " << wanted.dump();
        return {};
    }
    nlohmann::json state_with(const rows& wanted) { return state_with("rows", wanted); }
};

const std::string two_screens =
    "screens:\n"
    "  - name: main\n"
    "    priority: 1\n"
    "    lines:\n"
    "      - \"Temp {value:home/temp:$.c:%.1f}C\"\n"
    "      - text: \"Hello\"\n"
    "        align: right\n"
    "  - name: other\n"
    "    lines: [\"Other\"]\n";

TEST_F(screens_run, values_and_requests_reach_the_glass_and_the_state_says_so) {
    auto bridge = start_lcd(two_screens);
    EXPECT_TRUE(glass_shows(padded({"Temp --C", "               Hello", "", ""})));
    const struct {
        std::string topic, payload;
        rows glass;
    } steps[] = {
        {"home/temp", R"({"c": 21.456})", padded({"Temp 21.5C", "               Hello", "", ""})},
        {"quillon/lcd/line/3", "third 25<67>",
         padded({"Temp 21.5C", "               Hello", "third 25C", ""})},
        {"quillon/lcd/screen/set", "other", padded({"Other", "", "", ""})},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(probe->publish(step.topic, step.payload));
        EXPECT_TRUE(glass_shows(step.glass)) << step.topic;
        const nlohmann::json state = state_with(step.glass);
        EXPECT_EQ(state["backlight"], true);
    }
    EXPECT_EQ(state_with(padded({"Other", "", "", ""}))["screen"], "other");
    const struct {
        std::string topic, payload, error;
    } refused[] = {
        {"quillon/lcd/screen/set", "nope", "no screen is named \"nope\""},
        {"quillon/lcd/line/9", "x", "line 9: the glass has lines 1 to 4"},
        {"quillon/lcd/line/x", "x", "no row 'x'"},
        {"quillon/lcd/backlight", "dim", "give ON or OFF, not 'dim'"},
        {"quillon/lcd/alert", R"({"text": "a", "ttl": 0})",
         "an alert's ttl is a number of seconds above 0 and at most 86400"},
    };
    std::size_t errors = 0;
    for (const auto& r : refused) {
        ASSERT_TRUE(probe->publish(r.topic, r.payload));
        EXPECT_EQ(last("quillon/lcd/error", ++errors),
                  "a message on " + r.topic + " was refused: " + r.error);
    }
    // Off is the HD44780's display-off: its contents stay for when it is on again.
    ASSERT_TRUE(probe->publish("quillon/lcd/backlight", "OFF"));
    EXPECT_EQ(state_with("backlight", false)["rows"],
              nlohmann::json(padded({"Other", "", "", ""})));
    EXPECT_TRUE(glass_shows(padded({"Other", "", "", ""})));
}

// An alert shows at once and, when its time to live ends, the screen that was there comes back
// as it was; a send message shows for --message-ttl, then the screens repaint whole.
TEST_F(screens_run, alerts_and_messages_give_the_screen_back) {
    auto bridge = start_lcd(two_screens, {"--message-ttl", "1"});
    const rows main = padded({"Temp --C", "               Hello", "", ""});
    EXPECT_TRUE(glass_shows(main));
    ASSERT_TRUE(probe->publish("quillon/lcd/alert", R"({"text": "Door open", "ttl": 0.5})"));
    EXPECT_TRUE(glass_shows(padded({"Door open", "", "", ""})));
    EXPECT_TRUE(glass_shows(main));
    EXPECT_EQ(state_with(main)["showing"], "screen");
    ASSERT_TRUE(probe->publish("quillon/lcd/send", "<LMA_CLS>Hi"));
    EXPECT_TRUE(glass_shows(padded({"Hi", "", "", ""})));
    EXPECT_TRUE(glass_shows(main));
}

// With no screens, what messages wrote is the display's own: an alert over it gives it back.
TEST_F(screens_run, a_display_without_screens_gets_its_own_text_back_after_an_alert) {
    auto bridge = start_lcd("");
    ASSERT_TRUE(probe->publish("quillon/lcd/send", "<LMA_CLS>Hello<LMA_LINE2>you"));
    const rows own = padded({"Hello", "you", "", ""});
    EXPECT_TRUE(glass_shows(own));
    ASSERT_TRUE(probe->publish("quillon/lcd/alert", R"({"text": "Ring", "ttl": 0.5})"));
    EXPECT_TRUE(glass_shows(padded({"Ring", "", "", ""})));
    EXPECT_TRUE(glass_shows(own));
}

// SIGHUP takes a changed screens file without touching the line; a file that became bad is
// refused whole and the running screens stay.
TEST_F(screens_run, a_reload_takes_new_screens_without_reopening_the_port) {
    auto bridge = start_lcd("screens:\n  - name: a\n    lines: [\"First\"]\n");
    EXPECT_TRUE(glass_shows(padded({"First", "", "", ""})));
    write_file(screens_file, "screens:\n  - name: a\n    lines: [\"Second\"]\n");
    kill(bridge->process().pid(), SIGHUP);
    EXPECT_TRUE(glass_shows(padded({"Second", "", "", ""})));
    write_file(screens_file, "screens:\n  - name: a\n    lines: [\"{value:}\"]\n");
    kill(bridge->process().pid(), SIGHUP);
    ASSERT_TRUE(bridge->wait_for_log("settings not reloaded: " + screens_file + ":3:"))
        << bridge->output();
    const std::string& log = bridge->output();
    EXPECT_EQ(log.find("lcd: serving"), log.rfind("lcd: serving")) << log;
    EXPECT_EQ(glass_of(lcd_bytes.wait_for(0, std::chrono::milliseconds(0))),
              padded({"Second", "", "", ""}));
    // Screens taken out of the settings: the glass keeps what it shows, and says so.
    write_file(folder / "bridge.conf", "display lcd=COM3,a00,hd44780:20x4\n");
    kill(bridge->process().pid(), SIGHUP);
    EXPECT_EQ(state_with("showing", "none")["rows"],
              nlohmann::json(padded({"Second", "", "", ""})));
}

}  // namespace
}  // namespace quillon::test
