// Text in a module's own characters: typed UTF-8 turned into the codes of the module's ROM, read
// backwards from the same table the views draw with (charset/rom.h), so a converted text
// shows as it was typed.
//
// Only characters beyond ASCII are converted: ASCII bytes are the tag language's own and pass
// as typed (on A00, "\" then shows as ¥ and "~" as →). Conversion comes before the tags, and
// every code but A00's ¥ (0x5C, a backslash to the tag language) is no tag character, so the
// tags stay as they were. A character the ROM lacks becomes "?"; a few look-alikes that users
// expect are taken instead (on A00: ° as the small circle at 0xDF, ß as β, µ as μ, · as the
// katakana middle dot; on A02: ↲ as ↵). Bytes that are not UTF-8 pass unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charset/rom.h"

namespace quillon::charset {

// The characters a text needed that the ROM lacks, for a warning: the first 20 distinct ones in
// the order they came, then only a count, so that neither the memory nor the warning grows with
// a text of many.
struct missing_characters {
    static constexpr std::size_t kept_at_most = 20;
    std::vector<char32_t> kept;
    std::size_t more = 0;  // each occurrence of a character not among the kept ones

    void add(char32_t c);
    bool empty() const { return kept.empty(); }
    auto begin() const { return kept.begin(); }
    auto end() const { return kept.end(); }
};

// A text converted as it arrives, in pieces, in place: the codes are never longer than the
// UTF-8 they come from.
class rom_converter {
  public:
    explicit rom_converter(rom table);

    // Converts data[0, size) in place and returns the length of the codes now at its start.
    // Every character in it must be whole (see cut_character_length in charset/utf8.h).
    std::size_t convert(char* data, std::size_t size);

    // The code a character beyond ASCII becomes; nothing when the ROM lacks it.
    std::optional<std::uint8_t> code_of(char32_t c) const;

    const missing_characters& missing() const { return missing_; }

  private:
    rom table_;
    missing_characters missing_;
};

struct rom_text {
    std::string bytes;
    missing_characters missing;
};

rom_text to_rom_codes(std::string_view utf8, rom table);

// The characters that conversion turns into a code, in code-point order: the printable ASCII
// character that passes as typed (0x20-0x7E), then those converted to it. Empty for a code that
// no typed character reaches, such as one the ROM leaves empty.
std::vector<char32_t> characters_of_code(std::uint8_t code, rom table);

// "U+20AC": how a character is named in a warning and in the ROM sheet.
std::string code_point_name(char32_t c);

// "'€' (U+20AC)": a character as a warning names it, the code point after it for a character
// that a terminal may not show.
std::string quoted_character(char32_t c);

// The warnings for characters the ROM lacks: "'€' (U+20AC) is not in the A00 ROM: sent as ?",
// and for those beyond the kept ones "and 5 more characters not in the A00 ROM, each sent as ?".
std::string missing_character_warning(char32_t c, rom table);
std::string more_missing_warning(std::size_t count, rom table);

// The printable ASCII characters that the ROM draws as something else and that pass as typed
// all the same (on A00 \ and ~, which show as ¥ and →; none on A02), and the one warning about
// them: "\ and ~ are not in the A00 ROM: sent as typed, they show as ¥ and →".
std::string ascii_shown_otherwise(rom table);
std::string ascii_shown_otherwise_warning(rom table);

}  // namespace quillon::charset
