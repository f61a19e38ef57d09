// Tag translation: turns typed text with <...> tags into the exact bytes to send.
//
// Byte strings are std::string holding any byte value 0-255, the zero byte included.
// Translation is a pure function: no state, no settings, no input or output; it never
// fails (text that only resembles a tag stays as it is, unknown names give no bytes).
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The whole text with every tag replaced by its bytes. The bytes produced for a tag are
// scanned again together with the text after them ("<60>13>" gives 13); text before a
// translated tag is never scanned again. Runs in time proportional to the text's length.
std::string TRANSLATE_TEXT(std::string_view text);

// The bytes of one tag body (the text between "<" and ">"): comma-separated fields, each a
// decimal byte value (reduced modulo 256, empty = 0) or a symbolic field (LOOKUP_SYMBOL).
std::string TRANSLATE_TAG(std::string_view body);

// The bytes of one symbolic field: a control letter, an underscore number, backslash text
// or one of the 116 names, matched without regard to case; anything else gives no bytes.
// The result is never longer than the field.
std::string LOOKUP_SYMBOL(std::string_view field);

}  // namespace quillon
