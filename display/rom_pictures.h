// How the window's dot pictures of the character-generator ROMs are written down, and the
// tables each ROM's file holds. A picture is seven rows of five dots, "#" lit and "." dark, the
// rows separated by one blank, as a module's 5x8 cell shows them above its cursor row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "display/screen.h"

namespace quillon::display::pictures {

constexpr glyph parse(std::string_view picture) {
    glyph dots{};
    for (std::size_t row = 0; row < 7; ++row) {
        for (std::size_t column = 0; column < 5; ++column) {
            if (picture[row * 6 + column] == '#') {
                dots[row] = static_cast<std::uint8_t>(dots[row] | (0x10 >> column));
            }
        }
    }
    return dots;
}

template <std::size_t count>
constexpr std::array<glyph, count> parse_all(const std::array<std::string_view, count>& list) {
    std::array<glyph, count> all{};
    for (std::size_t i = 0; i < count; ++i) all[i] = parse(list[i]);
    return all;
}

// Codes 0x20-0x7F as A00 draws them: ASCII with a yen sign at 0x5C and arrows at 0x7E-0x7F.
extern const std::array<glyph, 96> ascii;
// A00's codes 0xA0-0xFF: katakana and punctuation, then Greek letters and symbols.
extern const std::array<glyph, 96> a00_upper;
// A02's codes 0x10-0x1F: triangles, quotes, arrows, comparison signs.
extern const std::array<glyph, 16> a02_symbols;
// A02's own 0x5C, 0x7E and 0x7F: backslash, tilde, house.
extern const std::array<glyph, 3> a02_ascii_changes;
// A02's codes 0x80-0xFF: Cyrillic and Greek letters and signs, then nearly Latin-1.
extern const std::array<glyph, 128> a02_upper;

}  // namespace quillon::display::pictures
