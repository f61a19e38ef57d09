// The options that name what a display module is, worded once from the display core's own
// names (display::parse_rom, display::parse_profile) for every program that takes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "display/profile.h"
#include "display/rom.h"
#include "options/option_table.h"

namespace quillon::options {

// --charset NAME: raw (none: bytes as typed, the default) or a ROM whose codes text beyond
// ASCII is converted to; `more` follows the choices in the help.
option charset_option(std::optional<display::rom>& charset, std::string_view more);

// --rom NAME: the ROM a character generator holds; its value is the default.
option rom_option(display::rom& character_rom, std::string_view more);

// --module NAME: the kind of module (display/profile.h); its value is the default.
option module_option(display::profile& module);

// "raw, a00 or a02".
std::string charset_choices();

// A character set from text: true and stored when it is raw (none) or a ROM's name.
bool take_charset(std::string_view text, std::optional<display::rom>& charset);

}  // namespace quillon::options
