// The translator's inner steps, writing through a pointer into a buffer the caller sized; the
// scanner calls them once per tag, so they avoid the bookkeeping of growing a string.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillon {
class tag_findings;
}

namespace quillon::detail {

// Writes the bytes of one tag body; out must have room for body.size() + 1 bytes (a body of
// only commas gives one byte more than it has). Each unknown name is told to `findings` when
// there are any.
char* write_tag_bytes(std::string_view body, char* out, tag_findings* findings = nullptr);

// Writes the bytes of one symbolic field; out must have room for field.size() bytes.
char* write_symbol_bytes(std::string_view field, char* out);

// The name whose letters the text spells, ignoring case, "-", blanks and "_" ("LMA-LINE3",
// "clear screen"); empty when it spells none.
std::string_view name_spelled_by(std::string_view text);

// A broken tag is looked for only this far after its "<": a name of the table with a separator
// between every two letters fits.
inline constexpr std::size_t broken_tag_longest = 64;

}  // namespace quillon::detail
