#include "charset/rom.h"

#include <array>

namespace quillon::charset {
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

// A02, 0x10-0x1F: triangles, quotes, arrows and comparison signs.
constexpr std::array<std::string_view, 16> a02_symbols{"▶", "◀", "“", "”", "⏫", "⏬", "●", "↵",
                                                       "↑", "↓", "→", "←", "≤", "≥", "▲", "▼"};

// A02, 0x80-0x9F: the Cyrillic capitals that differ from Latin ones, Greek letters, notes and
// signs.
constexpr std::array<std::string_view, 32> a02_cyrillic_greek{
    "Б", "Д", "Ж", "З", "И", "Й", "Л", "П", "У", "Ц", "Ч", "Ш", "Щ", "Ъ", "Ы", "Э",
    "α", "♪", "Γ", "π", "Σ", "σ", "♬", "τ", "🔔", "Θ", "Ω", "δ", "∞", "♥", "ε", "∩"};

// A02, 0xA0-0xFF: Latin-1 but for ‖ at 0xA0 (two bars of two dots each, rows 2-8), ƒ at 0xA8,
// Ю Я at 0xAC-0xAD, ‘ at 0xAF, ₧ at 0xB4, ω at 0xB8, and Φ at 0xD8 (a ring on a serifed stem,
// where Latin-1 has Ø); 0xF8 is ø (a ring crossed from top right to bottom left).
constexpr std::array<std::string_view, 96> a02_latin{
    "‖", "¡", "¢", "£", "¤", "¥", "¦", "§", "ƒ", "©", "ª", "«", "Ю", "Я", "®", "‘",
    "°", "±", "²", "³", "₧", "µ", "¶", "·", "ω", "¹", "º", "»", "¼", "½", "¾", "¿",
    "À", "Á", "Â", "Ã", "Ä", "Å", "Æ", "Ç", "È", "É", "Ê", "Ë", "Ì", "Í", "Î", "Ï",
    "Ð", "Ñ", "Ò", "Ó", "Ô", "Õ", "Ö", "×", "Φ", "Ù", "Ú", "Û", "Ü", "Ý", "Þ", "ß",
    "à", "á", "â", "ã", "ä", "å", "æ", "ç", "è", "é", "ê", "ë", "ì", "í", "î", "ï",
    "ð", "ñ", "ò", "ó", "ô", "õ", "ö", "÷", "ø", "ù", "ú", "û", "ü", "ý", "þ", "ÿ"};

constexpr std::array<char, 96 * 2> ascii = [] {
    std::array<char, 96 * 2> all{};
    for (unsigned i = 0; i < 96; ++i) all[i * 2] = static_cast<char>(0x20 + i);
    return all;
}();

std::string_view a02_character(std::uint8_t code) {
    if (code < 0x20) return a02_symbols[code - 0x10];
    if (code == 0x7F) return "⌂";
    if (code < 0x7F) return {&ascii[(code - 0x20) * 2], 1};
    if (code < 0xA0) return a02_cyrillic_greek[code - 0x80];
    return a02_latin[code - 0xA0];
}

}  // namespace

std::string_view rom_character(std::uint8_t code, rom table) {
    if (code < 0x10) return {};
    if (table == rom::a02) return a02_character(code);
    if (code == 0x5C) return "¥";
    if (code == 0x7E) return "→";
    if (code == 0x7F) return "←";
    if (code >= 0x20 && code < 0x7E) return {&ascii[(code - 0x20) * 2], 1};
    if (code >= 0xA1 && code <= 0xDF) return {katakana[code - 0xA1].data(), 3};
    if (code >= 0xE0) return symbols[code - 0xE0];
    return " ";  // 0x10-0x1F and 0x80-0xA0 are empty in this ROM
}

std::string_view rom_name(rom table) { return table == rom::a00 ? "A00" : "A02"; }

std::optional<rom> parse_rom(std::string_view name) {
    if (name == "a00") return rom::a00;
    if (name == "a02") return rom::a02;
    return std::nullopt;
}

}  // namespace quillon::charset
