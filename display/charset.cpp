#include "display/charset.h"

#include <array>

namespace quillon::display {

std::string braille_picture(const glyph& dots) {
    // Braille dots 1-2-3-7 run down the left column and 4-5-6-8 down the right; each takes two
    // rows of the picture, the left column its three left dots, the right its three right ones
    // (the middle dot belongs to both, so a centred line stays centred).
    constexpr std::array<unsigned, 4> left{0x01, 0x02, 0x04, 0x40};
    constexpr std::array<unsigned, 4> right{0x08, 0x10, 0x20, 0x80};
    unsigned pattern = 0;
    for (std::size_t pair = 0; pair < 4; ++pair) {
        const unsigned rows = dots[pair * 2] | dots[pair * 2 + 1];
        if (rows & 0x1C) pattern |= left[pair];
        if (rows & 0x07) pattern |= right[pair];
    }
    const unsigned point = 0x2800 + pattern;
    return {static_cast<char>(0xE0 | (point >> 12)),
            static_cast<char>(0x80 | ((point >> 6) & 0x3F)),
            static_cast<char>(0x80 | (point & 0x3F))};
}

std::string cell_text(const screen& s, std::uint8_t code) {
    if (s.is_custom(code)) return braille_picture(s.custom[(code - s.first_custom_code) % 8]);
    return std::string(rom_character(code, s.character_rom));
}

}  // namespace quillon::display
