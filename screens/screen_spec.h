// A screens file as it was read: every screen with its lines, each line a widget over one or
// more rows of the glass, every template checked and its literal text already in the display's
// codes. screens_file.h reads it; layout.h draws a screen of it into a frame.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "display/screen.h"
#include "screens/display_kind.h"
#include "screens/text_template.h"

namespace quillon::screens {

enum class alignment { left, right, center };

enum class widget {
    text,     // the template, cut at the glass's edge
    marquee,  // the template, scrolled when it is longer than the line
    bar,      // a horizontal bar of the template's number between min and max, after a label
    big,      // the template in big digits over 2 rows (or family A's 4-row big mode)
};

struct line_spec {
    widget kind = widget::text;
    int source_line = 0;  // in the file, from 1
    int rows = 1;         // rows of the glass it covers
    text_template content;
    alignment align = alignment::left;
    // marquee: the time of one step (1 / speed), the blank cells between the end and the start.
    std::chrono::milliseconds step{250};
    int gap = 3;
    // bar
    double min = 0;
    double max = 100;
    std::optional<text_template> label;
};

struct screen_spec {
    std::string name;
    int source_line = 0;
    std::chrono::milliseconds duration{10000};
    int priority = 0;
    bool backlight = true;
    std::string placeholder;  // in cells
    std::vector<line_spec> lines;
};

using glyph_library = std::map<std::string, display::glyph, std::less<>>;

struct screens_file {
    display_kind kind;
    std::string placeholder;  // in cells: the file's, for alerts and line overrides
    glyph_library glyphs;
    std::vector<screen_spec> screens;
    // Every topic a template of the file names: what the bridge subscribes to for values.
    std::set<std::string, std::less<>> topics;

    const screen_spec* find(std::string_view name) const;
};

}  // namespace quillon::screens
