// Text in a module's own characters: typed UTF-8 turned into the codes of the module's ROM, read
// backwards from the same table the views draw with (charset/rom.h), so a converted text
// shows as it was typed.
//
// Only characters beyond ASCII are converted: ASCII bytes are the tag language's own and pass
// as typed (on A00, "\" then shows as ¥ and "~" as →). A character beyond ASCII never stands in
// a tag, so the tags stay as they were. A character the ROM lacks becomes "?"; a few look-alikes
// that users expect are taken instead (on A00: ° as the small circle at 0xDF, ß as β, µ as μ,
// · as the katakana middle dot; on A02: ↲ as ↵). Bytes that are not UTF-8 pass unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "charset/rom.h"

namespace quillon::charset {

struct rom_text {
    std::string bytes;
    std::vector<char32_t> missing;  // each character that became "?", once, in order
};

rom_text to_rom_codes(std::string_view utf8, rom table);

// The characters that conversion turns into a code, in code-point order: the printable ASCII
// character that passes as typed (0x20-0x7E), then those converted to it. Empty for a code that
// no typed character reaches, such as one the ROM leaves empty.
std::vector<char32_t> characters_of_code(std::uint8_t code, rom table);

// "U+20AC": how a missing character is named in a warning.
std::string code_point_name(char32_t c);

// The warning for a character the ROM lacks: "U+20AC is not in the A00 ROM: sent as ?".
std::string missing_character_warning(char32_t c, rom table);

// The printable ASCII characters that the ROM draws as something else and that pass as typed
// all the same (on A00 \ and ~, which show as ¥ and →; none on A02), and the one warning about
// them: "\ and ~ are not in the A00 ROM: sent as typed, they show as ¥ and →".
std::string ascii_shown_otherwise(rom table);
std::string ascii_shown_otherwise_warning(rom table);

}  // namespace quillon::charset
