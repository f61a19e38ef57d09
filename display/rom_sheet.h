// The font sheet of a character ROM: what quillon-send --rom-sheet prints, one line per code
// from 0x10 to 0xFF, for scripts and for a user looking for a character:
//   0xA0 U+2016 ##.## ##.## ##.## ##.## ##.## ##.## ##.## ##.##
// the code; the characters that --charset converts to it (charset/rom_text.h), joined with "+",
// or "-" for none; the 8 dot rows a cell shows, "#" lit and "." dark.
#pragma once

#include <string>

#include "display/rom.h"

namespace quillon::display {

std::string rom_sheet(rom table);

}  // namespace quillon::display
