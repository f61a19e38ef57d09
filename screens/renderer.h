// The bytes that take a module from what it shows to what a frame wants, per profile.
//
// What the module shows is kept as a twin: an emulator of its profile (display/module.h) fed
// exactly the bytes this renderer returned, so the twin and the renderer agree by construction,
// and what the twin shows is what the next frame is drawn over. Each render:
// 1. when the module's state is unknown (at start, after forget() or foreign()), a restart: a few
//    bytes that end any sequence a cut-off write left half sent, then the profile's clear, the
//    cursor hidden and the entry mode known; the user characters and the light are then sent
//    whatever the twin holds;
// 2. the user characters whose dots differ, each loaded once (the HD44780: consecutive slots in
//    one write to character memory; family A: ESC D each, or ESC E first when restoring its
//    segment shapes costs less);
// 3. the light, and the cursor hidden if it shows;
// 4. family A's big symbols whose cells differ: POSITION, BIG_BEGIN, the symbols, BIG_END,
//    symbols in between redrawn when that costs less than starting anew;
// 5. the cells that differ, in the order the module's cursor advances through its memory.
//    Between two changed cells the cursor either moves by a command (POSITION or the HD44780's
//    set-address: 2 bytes; family A and B also HOME to the first cell and RETURN to the start of
//    the next row: 1 byte) or walks on by rewriting the unchanged cells between, whichever sends
//    fewer bytes (a tie moves). It walks only where every cell between is on the glass: on an
//    HD44780 the memory runs on from a row's end to the next row of the same memory line, which
//    on a 4-row glass is two rows down (row_address in display/geometry.h), and on a glass
//    narrower than 40 into memory that no row shows.
//
// The light: the HD44780 has no backlight among its instructions, so off is the display-off
// instruction (the glass goes dark, contents kept); family A's LCD and the graphic modules
// switch their backlight (14 / 15), the VFD its display (the same bytes).
//
// Merging: render() draws one frame from the twin's state to the newest wanted one; frames
// wanted in between are never drawn. The caller renders when the line has taken the previous
// frame's bytes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "display/module.h"
#include "display/screen.h"
#include "screens/display_kind.h"
#include "screens/frame.h"

namespace quillon::screens {

class renderer {
  public:
    explicit renderer(const display_kind& kind);

    // The bytes that make the module show `wanted` (empty when it does already); the twin has
    // been fed them. A frame of another grid than the display's text grid sends nothing.
    std::string render(const frame& wanted);

    // Bytes the module got from elsewhere (a send or raw message): the twin takes them, and the
    // next render starts with a restart, since the module may have reacted otherwise.
    void foreign(std::string_view bytes);
    // The module's state is unknown (a reconnect, a write that failed part way).
    void forget() { known_ = false; }

    // What the twin shows now.
    const display::screen& shown() const { return view_; }

  private:
    void emit(std::string& out, std::string_view bytes);
    void restart(std::string& out);
    void load_glyphs(std::string& out, const frame& wanted);
    void set_light(std::string& out, const frame& wanted);
    void draw_big(std::string& out, const frame& wanted);
    void draw_cells(std::string& out, const frame& wanted);
    std::string move_to(int cell) const;

    display_kind kind_;
    display::display_size grid_;
    std::unique_ptr<display::module> twin_;
    display::screen view_;
    bool known_ = false;
    std::array<bool, 8> glyph_known_{};  // loaded since the last restart
    bool light_known_ = false;
    // The cursor's way through the module's memory: the cell written at each of its places
    // (-1 for a place no row shows), and each cell's place.
    std::vector<int> cell_at_;
    std::vector<int> place_of_;
};

}  // namespace quillon::screens
