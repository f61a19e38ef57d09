// Text in the codes of a display's cells. Typed text (a screens file's lines, an alert) is UTF-8
// and may hold tags as a `send` message does ("<223>"); a value is UTF-8 as it was published
// and is never read for tags, so a value cannot smuggle a control byte to the module.
//
// Characters beyond ASCII become the module's ROM codes, then tags their bytes: the one
// text-to-bytes step (translate/text_to_bytes.h), as for a send message. A code that text
// may not put into a cell on this profile (screens/display_kind.h text_code) shows as "?".
// Control bytes are dropped: a tag's or a typed one alike, except that where line breaks are
// kept (an alert), 13, 10 and 13 10 each give one '\n'.
#pragma once

#include <string>
#include <string_view>

#include "screens/display_kind.h"

namespace quillon::screens {

inline constexpr char line_break = '\n';

std::string typed_cells(const display_kind& kind, std::string_view typed, bool keep_breaks);
std::string value_cells(const display_kind& kind, std::string_view text);

}  // namespace quillon::screens
