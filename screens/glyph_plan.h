// The eight user characters as a resource that a frame's widgets share. Big digits and named
// user characters ({glyph:NAME}) need theirs; a screen whose lines need more than 8 is refused
// when the file is read. A bar takes 5 (its partial cells and its full cell) only when they are
// free after those; otherwise it draws full cells only, with the ROM's block (A00's 0xFF) or,
// where the ROM has none and on the graphic profiles, "#".
//
// Slots, so that a screen's characters keep their places and are loaded once: family A's big
// mode takes all 8 with the module's own segment shapes; the two-row big digits take 0-5; a
// bar 3-7; named characters the lowest free slots, in order of first use.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "display/screen.h"
#include "screens/display_kind.h"
#include "screens/screen_spec.h"
#include "screens/text_template.h"

namespace quillon::screens {

struct glyph_needs {
    bool module_big = false;  // family A's own big mode
    bool big2 = false;
    bool bar = false;
    std::vector<std::string> named;  // in order of first use, each once
    // How many slots the needs that cannot give way take.
    int fixed() const;
    void add_named(const std::vector<std::string>& names);
};

struct glyph_plan {
    std::array<std::optional<display::glyph>, 8> slots{};
    int big2_first = -1;  // the slot of piece 0
    int bar_first = -1;   // the slot of the 1-column cell; -1: full cells only
    glyph_codes named;
};

glyph_plan plan_glyphs(const glyph_needs& needs, const display_kind& kind,
                       const glyph_library& library);

// A named character the plan does not hold yet, in a free slot if there is one (a line's or an
// alert's text set at run time); otherwise it shows "?".
void add_glyph(glyph_plan& plan, const std::string& name, const display_kind& kind,
               const glyph_library& library);

// The code of a bar's full cell when the bar has no user characters.
std::uint8_t block_code(const display_kind& kind);

}  // namespace quillon::screens
