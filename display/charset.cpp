#include "display/charset.h"

#include <array>

namespace quillon::display {
namespace {

// 0xE0-0xFF. Several are the lower-case letters with descenders that the ROM draws lower
// (g, j, p, q, y), and 0xE9 is a superscript "-1"; 0xFE is empty.
constexpr std::array<std::string_view, 32> symbols{
    "α", "ä", "β", "ε", "μ", "σ", "ρ", "g", "√", "⁻¹", "j",  "ˣ",  "¢",  "£", "ñ", "ö",
    "p", "q", "θ", "∞", "Ω", "ü", "Σ", "π", "x̄", "y",  "千", "万", "円", "÷", " ", "█"};

// 0xA1-0xDF are the half-width katakana and punctuation of Unicode's U+FF61-U+FF9F, in the
// same order; their UTF-8 is three bytes, EF BD A1 to EF BE 9F.
constexpr std::array<std::array<char, 4>, 63> katakana = [] {
    std::array<std::array<char, 4>, 63> all{};
    for (unsigned i = 0; i < all.size(); ++i) {
        const unsigned point = 0xFF61 + i;
        all[i] = {static_cast<char>(0xE0 | (point >> 12)),
                  static_cast<char>(0x80 | ((point >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (point & 0x3F)), 0};
    }
    return all;
}();

constexpr std::array<char, 96 * 2> ascii = [] {
    std::array<char, 96 * 2> all{};
    for (unsigned i = 0; i < 96; ++i) all[i * 2] = static_cast<char>(0x20 + i);
    return all;
}();

}  // namespace

std::string_view rom_character(std::uint8_t code) {
    if (code < 0x10) return {};
    if (code == 0x5C) return "¥";
    if (code == 0x7E) return "→";
    if (code == 0x7F) return "←";
    if (code >= 0x20 && code < 0x7E) return {&ascii[(code - 0x20) * 2], 1};
    if (code >= 0xA1 && code <= 0xDF) return {katakana[code - 0xA1].data(), 3};
    if (code >= 0xE0) return symbols[code - 0xE0];
    return " ";  // 0x10-0x1F and 0x80-0xA0 are empty in this ROM
}

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
    if (code < 0x10) return braille_picture(s.custom[code % 8]);
    return std::string(rom_character(code));
}

}  // namespace quillon::display
