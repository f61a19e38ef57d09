#include "charset/rom_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

namespace quillon::charset {
namespace {

struct look_alike {
    char32_t character;
    std::uint8_t code;
};

// Where a character has no code of its own but one that users take for it.
constexpr std::array<look_alike, 4> a00_look_alikes{{
    {U'°', 0xDF},  // the handakuten, a small raised circle
    {U'ß', 0xE2},  // β
    {U'µ', 0xE4},  // the micro sign as μ
    {U'·', 0xA5},  // the katakana middle dot
}};
constexpr std::array<look_alike, 1> a02_look_alikes{{
    {U'↲', 0x17},  // the arrow down and then left, shown as ↵, whose corner it draws
}};

// One code point from UTF-8, or nothing when the bytes are not UTF-8 (then one byte is taken).
std::optional<std::pair<char32_t, std::size_t>> decode_one(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    return std::pair{point, length};
}

// Each character of the ROM's table that is one code point beyond ASCII, with its code; the
// first code wins where the table shows a character twice.
using reverse_table = std::vector<std::pair<char32_t, std::uint8_t>>;

reverse_table build_reverse(rom table) {
    reverse_table found;
    for (unsigned code = 0x80; code <= 0xFF; ++code) {
        const std::string_view text = rom_character(static_cast<std::uint8_t>(code), table);
        const auto decoded = text.empty() ? std::nullopt : decode_one(text);
        if (!decoded || decoded->second != text.size()) continue;
        found.emplace_back(decoded->first, static_cast<std::uint8_t>(code));
    }
    // The arrows and symbols below 0x80 (A00's ¥ → ←, A02's 0x10-0x1F and ⌂) that are no ASCII.
    for (unsigned code = 0x10; code < 0x80; ++code) {
        const std::string_view text = rom_character(static_cast<std::uint8_t>(code), table);
        const auto decoded = text.size() > 1 ? decode_one(text) : std::nullopt;
        if (decoded && decoded->second == text.size()) {
            found.emplace_back(decoded->first, static_cast<std::uint8_t>(code));
        }
    }
    for (const look_alike& l : table == rom::a00 ? std::span<const look_alike>(a00_look_alikes)
                                                 : std::span<const look_alike>(a02_look_alikes)) {
        found.emplace_back(l.character, l.code);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return found;
}

const reverse_table& reverse(rom table) {
    static const reverse_table a00 = build_reverse(rom::a00);
    static const reverse_table a02 = build_reverse(rom::a02);
    return table == rom::a00 ? a00 : a02;
}

}  // namespace

rom_text to_rom_codes(std::string_view utf8, rom table) {
    const reverse_table& codes = reverse(table);
    rom_text out;
    out.bytes.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto decoded =
            static_cast<unsigned char>(utf8[0]) < 0x80 ? std::nullopt : decode_one(utf8);
        if (!decoded) {
            out.bytes += utf8[0];
            utf8.remove_prefix(1);
            continue;
        }
        const char32_t c = decoded->first;
        const auto at =
            std::lower_bound(codes.begin(), codes.end(), c,
                             [](const auto& entry, char32_t v) { return entry.first < v; });
        if (at != codes.end() && at->first == c) {
            out.bytes += static_cast<char>(at->second);
        } else {
            out.bytes += '?';
            if (std::find(out.missing.begin(), out.missing.end(), c) == out.missing.end()) {
                out.missing.push_back(c);
            }
        }
        utf8.remove_prefix(decoded->second);
    }
    return out;
}

std::vector<char32_t> characters_of_code(std::uint8_t code, rom table) {
    std::vector<char32_t> characters;
    if (code >= 0x20 && code < 0x7F) characters.push_back(code);  // printable ASCII, as typed
    const reverse_table& codes = reverse(table);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const bool first = i == 0 || codes[i - 1].first != codes[i].first;  // the one taken
        if (first && codes[i].second == code) characters.push_back(codes[i].first);
    }
    return characters;
}

std::string code_point_name(char32_t c) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (auto value = static_cast<std::uint32_t>(c); value != 0 || hex.size() < 4; value >>= 4) {
        hex.insert(hex.begin(), digits[value & 0xF]);
    }
    return "U+" + hex;
}

std::string missing_character_warning(char32_t c, rom table) {
    return code_point_name(c) + " is not in the " + std::string(rom_name(table)) +
           " ROM: sent as ?";
}

std::string ascii_shown_otherwise(rom table) {
    std::string found;
    for (char c = 0x20; c < 0x7F; ++c) {
        if (rom_character(static_cast<std::uint8_t>(c), table) != std::string_view(&c, 1)) {
            found += c;
        }
    }
    return found;
}

std::string ascii_shown_otherwise_warning(rom table) {
    std::string typed;
    std::string shown;
    for (const char c : ascii_shown_otherwise(table)) {
        const char* separator = typed.empty() ? "" : " and ";
        typed += separator + std::string(1, c);
        shown += separator + std::string(rom_character(static_cast<std::uint8_t>(c), table));
    }
    return typed + " are not in the " + std::string(rom_name(table)) +
           " ROM: sent as typed, they show as " + shown;
}

}  // namespace quillon::charset
