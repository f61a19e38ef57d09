// The dot view of what the quillon-send tests do not reach: user characters of family A, the
// blinking block, a display that is off.
#include "display/dot_view.h"

#include <gtest/gtest.h>

#include "display/module.h"

namespace quillon::display {
namespace {

TEST(dot_view, draws_user_characters_and_leaves_the_block_and_a_dark_display_out) {
    const std::string rest16(89, '.');
    const std::string dark16(95, '.'), dark20(119, '.');
    const struct {
        profile on;
        display_size size;
        std::string bytes;
        std::vector<std::string> lines;  // the first ones
        std::size_t count;
    } table[] = {
        // User character 0 as a frame, shown by code 128; the blinking block on the next cell.
        {profile::text,
         {16, 2},
         std::string("\x1b"
                     "D0\x1f\x11\x11\x11\x11\x11\x1f\0\x80\x06",
                     13),
         {"#####." + rest16, "#...#." + rest16, "#...#." + rest16, "#...#." + rest16,
          "#...#." + rest16, "#...#." + rest16, "#####." + rest16, dark16, dark16},
         17},
        // The VFD switched off keeps its text, dark.
        {profile::text_vfd, {20, 2}, "A\x05\x0f", {dark20, dark20, dark20, dark20}, 17},
    };
    for (const auto& row : table) {
        const auto m = make_module(row.on, row.size);
        m->feed(row.bytes);
        const std::string dots = dot_text(m->view());
        EXPECT_EQ(std::count(dots.begin(), dots.end(), '\n'), row.count);
        std::string expected;
        for (const std::string& line : row.lines) expected += line + "\n";
        EXPECT_EQ(dots.substr(0, expected.size()), expected) << facts(row.on).name;
    }
}

}  // namespace
}  // namespace quillon::display
