// UTF-8, one character at a time, for the conversion to a ROM's codes and for the notes about
// typed text: strict decoding (no overlong forms, no surrogates, nothing past U+10FFFF), so that
// bytes in another encoding are told apart from UTF-8 and pass unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::charset {

struct utf8_character {
    char32_t point;
    std::size_t length;  // 1-4 bytes
};

// The character at the start of text; nothing when the bytes there are no UTF-8 (or are cut).
std::optional<utf8_character> decode_utf8(std::string_view text);

// How many bytes at the end of text are the start of a character that more bytes may complete
// (0-3): what a converter fed in pieces keeps for the next piece.
std::size_t cut_character_length(std::string_view text);

// The position of the first byte above 0x7F, or text.size() when all are ASCII. It looks at
// 32 bytes at a time, which the compiler turns into vector instructions.
std::size_t first_beyond_ascii(std::string_view text);

// The UTF-8 of a code point.
std::string encode_utf8(char32_t point);

}  // namespace quillon::charset
