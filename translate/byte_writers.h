// The translator's inner steps, writing through a pointer into a buffer the caller sized; the
// scanner calls them once per tag, so they avoid the bookkeeping of growing a string.
#pragma once

#include <string_view>

namespace quillon::detail {

// Writes the bytes of one tag body; out must have room for body.size() + 1 bytes (a body of
// only commas gives one byte more than it has). Returns the end of what was written.
char* write_tag_bytes(std::string_view body, char* out);

// Writes the bytes of one symbolic field; out must have room for field.size() bytes.
char* write_symbol_bytes(std::string_view field, char* out);

}  // namespace quillon::detail
