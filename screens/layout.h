// Screens and alerts drawn into frames: each line's widget put into its rows at one moment.
//
// - text: the template's cells, aligned, cut at the edge;
// - marquee: when longer than the line, the cells and `gap` blanks going round, one cell further
//   each step from the moment the screen was first shown (the screen's own time: it stands still
//   while an alert hides the screen); otherwise shown as text;
// - bar: the label, then the template's number between min and max as a bar over the rest of
//   the row, 5 steps a cell with user characters (glyph_plan.h), else 1; a template that gives
//   no number shows the placeholder after the label;
// - big: the template in big symbols. HD44780 and family A's two-row glasses: 2 rows of user
//   characters (shapes.h); digits, ':', '.', '-' and space, anything else a space. Family A's
//   4-row glasses: the module's own big mode (display/big_characters.h), which also draws the
//   capital letters (small ones are taken as capitals; anything else a space); 4 rows, so it is
//   the screen's only line (or rows: 2 for the 2-row digits, which are narrower).
//   A symbol that does not fit is cut with all after it.
// - a row that line/N set shows that text, left aligned; a line that covers that row is not
//   drawn.
// - an alert: its text broken at its line breaks and wrapped at spaces to the width; what does
//   not fit the rows is cut.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <vector>

#include "screens/frame.h"
#include "screens/screen_spec.h"
#include "screens/text_template.h"
#include "screens/value_store.h"

namespace quillon::screens {

// When what a frame shows changes with time alone: its marquees' steps in the screen's own time,
// and the period of its time fields in wall time.
struct frame_clocks {
    std::vector<std::chrono::milliseconds> steps;
    std::optional<std::chrono::milliseconds> wall_period;

    // From `elapsed` of the screen's own time and the wall time: how long until it changes.
    std::optional<std::chrono::milliseconds> next_change(
        std::chrono::milliseconds elapsed, std::chrono::system_clock::time_point wall) const;
    // How many changes lie in (from, to] of the screen's time, the wall time moving the same.
    long long changes(std::chrono::milliseconds elapsed_from, std::chrono::milliseconds elapsed_to,
                      std::chrono::system_clock::time_point wall_from) const;
};

struct composed {
    frame shown;
    frame_clocks clocks;
    std::vector<std::string> topics;  // the values it shows
};

struct draw_moment {
    std::chrono::system_clock::time_point wall;
    std::chrono::milliseconds elapsed{0};  // the screen's own time
};

// `overrides`: rows (from 0) that line/N set, with their text.
composed compose_screen(const screens_file& file, const screen_spec& screen,
                        const value_store& values, draw_moment at,
                        const std::map<int, text_template>& overrides, bool backlight);

composed compose_alert(const screens_file& file, const text_template& text,
                       const value_store& values, std::chrono::system_clock::time_point wall,
                       bool backlight);

}  // namespace quillon::screens
