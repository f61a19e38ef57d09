// The words of a send's progress, with the clock given: nothing in the first second, then the
// time so far until the port took a piece, then the bytes, the rate and the time left counting
// down between pieces, each line over the one before it, and a line that clears.
#include "cli/progress_line.h"

#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

TEST(progress_line, shows_after_a_second_what_is_known_and_clears) {
    progress_line line(49152);
    const struct {
        std::size_t done;
        std::int64_t done_at_ms, now_ms;
        std::string shown;
    } table[] = {
        {0, 0, 750, ""},
        {0, 0, 1000, "\rquillon-send: sending 49152 bytes, 0:01 so far"},
        {16384, 17000, 17250,
         "\rquillon-send: 16384 of 49152 bytes sent (33%), 963 bytes/s, 0:34 left"},
        {16384, 17000, 27000,
         "\rquillon-send: 16384 of 49152 bytes sent (33%), 963 bytes/s, 0:25 left"},
        {32768, 3600000, 3600000,
         "\rquillon-send: 32768 of 49152 bytes sent (66%), 9 bytes/s, "
         "30:21 left "},
        {32768, 100, 10000,
         "\rquillon-send: 32768 of 49152 bytes sent (66%), 327680 bytes/s, "
         "0:00 left"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(line.update(row.done, row.done_at_ms, row.now_ms), row.shown) << row.now_ms;
    }
    EXPECT_EQ(line.clear(), "\r" + std::string(72, ' ') + "\r");
    EXPECT_EQ(progress_line(10).clear(), "") << "nothing shown, nothing to clear";
    EXPECT_EQ(progress_line(1 << 20).update(1, 1000, 1000),
              "\rquillon-send: 1 of 1048576 bytes sent (0%), 1 bytes/s, 291:16:15 left");
}

}  // namespace
}  // namespace quillon::cli
