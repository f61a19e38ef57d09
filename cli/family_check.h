// With --module, the tag names typed for another family of module than the one named, as the
// text-to-bytes step's scan noticed them (tag_findings::other_family): each told once, as
// "tag <LMA_LINE2> is for hd44780 modules, not text", at most 20 and then a count. The bytes
// stay as the tag language gives them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/profile.h"
#include "translate/tag_findings.h"

namespace quillon::cli {

// The family bit (translate/tag_families.h) of a module's profile.
std::uint8_t family_bit(display::profile module);

// One warning per name of another family, in the order the names first appeared.
std::vector<std::string> family_warnings(const tag_findings& found, display::profile module);

}  // namespace quillon::cli
