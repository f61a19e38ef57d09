// The idle pause of the window's polling loop: short while there is activity, growing to its cap
// after a quiet spell, short again as soon as anything is pending.
#include "ui/qt/idle_pause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon::ui {
namespace {

using std::chrono::milliseconds;

// Plays passes ('.' found nothing and sleeps, '!' found something pending) and returns the pause
// of every idle pass, in whole milliseconds.
std::vector<long> play(idle_pause& pause, const std::string& passes) {
    std::vector<long> slept;
    for (const char pass : passes) {
        if (pass == '!') {
            pause.activity();
        } else {
            slept.push_back(std::chrono::duration_cast<milliseconds>(pause.next()).count());
        }
    }
    return slept;
}

std::string idle(int passes) { return std::string(static_cast<std::size_t>(passes), '.'); }

TEST(idle_pause, follows_activity_and_quiet) {
    struct row {
        const char* name;
        std::string history;  // passes played first
        std::string passes;   // the passes whose pauses are checked
        std::vector<long> expected;
    };
    const row rows[] = {
        {"a fresh window looks every millisecond", "", idle(3), {1, 1, 1}},
        {"it grows once 50 ms of quiet have gone by", idle(49), idle(2), {1, 2}},
        {"then it doubles up to the cap", idle(50), idle(6), {2, 4, 8, 15, 15, 15}},
        {"activity at the cap brings back 1 ms", idle(60) + "!", idle(3), {1, 1, 1}},
        {"the quiet spell starts over after activity",
         idle(60) + "!" + idle(49),
         idle(3),
         {1, 2, 4}},
        {"activity within the quiet spell restarts it",
         idle(40) + "!" + idle(40),
         idle(3),
         {1, 1, 1}},
        {"activity between grown pauses resets at once", idle(52), "!" + idle(2), {1, 1}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        idle_pause pause;
        play(pause, r.history);
        EXPECT_EQ(play(pause, r.passes), r.expected);
    }
}

TEST(idle_pause, stays_between_one_millisecond_and_the_cap_over_a_long_quiet_spell) {
    idle_pause pause;
    for (int pass = 0; pass < 100'000; ++pass) {
        const idle_pause::duration slept = pause.next();
        ASSERT_GE(slept, milliseconds(1)) << "pass " << pass;
        ASSERT_LE(slept, idle_pause::longest) << "pass " << pass;
    }
    EXPECT_EQ(pause.next(), idle_pause::longest);
}

}  // namespace
}  // namespace quillon::ui
