// The character ROMs a module may hold, by the names the display uses for them; the tables
// themselves live on the text floor (charset/rom.h), where the conversion of typed text reads
// them too.
#pragma once

#include "charset/rom.h"

namespace quillon::display {

using charset::parse_rom;
using charset::rom;

}  // namespace quillon::display
