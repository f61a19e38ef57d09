// The display a screens file is drawn on: its profile, size and character ROM, and the facts of
// each profile that the screens depend on: the grid of text cells, the codes that show the user
// characters, the codes that text may put into a cell, and whether the glass is lit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "display/geometry.h"
#include "display/profile.h"
#include "display/rom.h"
#include "display/screen.h"

namespace quillon::screens {

struct display_kind {
    display::profile profile = display::profile::hd44780;
    // One of the profile's sizes: cells for the character profiles, pixels for the graphic ones.
    display::display_size size{16, 2};
    display::rom rom = display::rom::a00;
};

// The cells text is written into: the glass of a character profile; the small-font grid of the
// 120x32 (20x4) and the text layer of the 128x64 (16x4).
display::display_size text_grid(const display_kind& kind);

// "hd44780 20x4", for messages.
std::string kind_name(const display_kind& kind);

// Whether the profile has the eight user characters (the graphic ones have none).
bool has_user_characters(display::profile p);
// The code that shows user character `slot` (0-7): the HD44780's 0-7, family A's 128-135.
std::uint8_t user_code(display::profile p, int slot);
// The slot a code shows, or nothing for a code that is not a user character.
std::optional<int> user_slot(display::profile p, std::uint8_t code);

// Whether text may put this code into a cell: a code that the module prints and that is not
// one of its user characters. Not: the HD44780's 0-15 (user characters) and 254 (the byte that
// makes the next one an instruction); family A's controls 0-31 and 128-135; on the graphic
// profiles anything outside printable ASCII (their font has nothing else to show).
bool text_code(display::profile p, std::uint8_t code);

// Whether the glass is lit as the screens mean it (see renderer.h): the display on for the
// HD44780 and the VFD, the backlight for the LCD of family A and the graphic modules.
bool lit(display::profile p, const display::screen& shown);

}  // namespace quillon::screens
