// The screens file of a display: YAML, read from text the caller has read (the bridge reads it
// with its own guarded reader; this room does no I/O).
//
//   placeholder: "--"            # shown for a value not yet seen (optional; "--")
//   glyphs:                      # user characters by name (optional): 8 rows of 5 dots
//     heart: [".....", ".#.#.", "#####", "#####", ".###.", "..#..", ".....", "....."]
//   screens:
//     - name: main               # required, unique
//       duration: 10             # seconds (optional; 10), then the next screen of its priority
//       priority: 1              # a whole number (optional; 0): the highest with screens shows
//       backlight: on            # (optional; on)
//       placeholder: "?"         # (optional; the file's)
//       lines:                   # one after the other from the top row
//         - "Time {time:%H:%M:%S}"                 # text
//         - text: "{value:home/temp}"              # the same, with align: left|right|center
//           align: right
//         - marquee: "Now playing: {value:home/song}"
//           speed: 4             # steps a second (optional; 4), above 0 and at most 50
//           gap: 3               # blank cells between the end and the start (optional; 3)
//         - bar: "{value:home/load:$.pct}"
//           max: 100             # (optional; 100)
//           min: 0               # (optional; 0)
//           label: "CPU "        # text before the bar (optional)
//         - big: "{time:%H:%M}"  # big digits, align as text; rows: 2 (the HD44780's and family
//                                 # A's 2-row glasses) or 4 (family A's 4-row glasses, the
//                                 # default there: the module's own big mode)
//
// A row of glyph dots is a text of 5 characters, "#" lit and "." dark, or a number 0-31 (bit 4
// the leftmost dot). A line that is nothing (a lone "-") is a blank row.
//
// The file is checked whole against the display it is for: every template, format and path;
// the lines fitting the rows (big digits cover 2 rows, or 4 with family A's own big mode on its
// 4-row glasses; none on the graphic profiles); at most 8 user characters per screen. The first
// problem refuses the file: "FILE:LINE: reason", LINE from 1.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "screens/display_kind.h"
#include "screens/screen_spec.h"

namespace quillon::screens {

struct read_screens {
    std::shared_ptr<const screens_file> file;  // null when refused
    std::string error;
};

read_screens read_screens_file(std::string_view text, std::string_view file_name,
                               const display_kind& kind);

// The placeholder when a file names none.
inline constexpr std::string_view default_placeholder = "--";

}  // namespace quillon::screens
