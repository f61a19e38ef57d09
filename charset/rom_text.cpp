#include "charset/rom_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#include "charset/utf8.h"

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

// Each character of the ROM's table that is one code point beyond ASCII, with its code; the
// first code wins where the table shows a character twice.
using reverse_table = std::vector<std::pair<char32_t, std::uint8_t>>;

reverse_table build_reverse(rom table) {
    reverse_table found;
    for (unsigned code = 0x80; code <= 0xFF; ++code) {
        const std::string_view text = rom_character(static_cast<std::uint8_t>(code), table);
        // ASCII letters drawn up here (A00's g, j, p, q, y with descenders) are typed as ASCII.
        const auto decoded = decode_utf8(text);
        if (!decoded || decoded->length != text.size() || decoded->point < 0x80) continue;
        found.emplace_back(decoded->point, static_cast<std::uint8_t>(code));
    }
    // The arrows and symbols below 0x80 (A00's ¥ → ←, A02's 0x10-0x1F and ⌂) that are no ASCII.
    for (unsigned code = 0x10; code < 0x80; ++code) {
        const std::string_view text = rom_character(static_cast<std::uint8_t>(code), table);
        const auto decoded = text.size() > 1 ? decode_utf8(text) : std::nullopt;
        if (decoded && decoded->length == text.size()) {
            found.emplace_back(decoded->point, static_cast<std::uint8_t>(code));
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

void missing_characters::add(char32_t c) {
    if (std::find(kept.begin(), kept.end(), c) != kept.end()) return;
    if (kept.size() < kept_at_most) {
        kept.push_back(c);
    } else {
        ++more;
    }
}

rom_converter::rom_converter(rom table) : table_(table) {}

std::optional<std::uint8_t> rom_converter::code_of(char32_t c) const {
    const reverse_table& codes = reverse(table_);
    const auto at = std::lower_bound(codes.begin(), codes.end(), c,
                                     [](const auto& entry, char32_t v) { return entry.first < v; });
    if (at == codes.end() || at->first != c) return std::nullopt;
    return at->second;
}

std::size_t rom_converter::convert(char* const data, const std::size_t size) {
    std::size_t out = 0;
    std::size_t at = 0;
    while (at < size) {
        // ASCII passes as typed: whole runs of it are moved at once (or left where they are).
        const std::size_t run = first_beyond_ascii({data + at, size - at});
        if (out != at && run != 0) std::memmove(data + out, data + at, run);
        out += run;
        at += run;
        if (at == size) break;
        const auto decoded = decode_utf8({data + at, size - at});
        if (!decoded) {
            data[out++] = data[at++];  // no UTF-8: the byte as it is
            continue;
        }
        const auto code = code_of(decoded->point);
        if (!code) missing_.add(decoded->point);
        data[out++] = static_cast<char>(code.value_or('?'));
        at += decoded->length;
    }
    return out;
}

rom_text to_rom_codes(std::string_view utf8, rom table) {
    rom_converter converter(table);
    rom_text out{std::string(utf8), {}};
    out.bytes.resize(converter.convert(out.bytes.data(), out.bytes.size()));
    out.missing = converter.missing();
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

std::string quoted_character(char32_t c) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of a literal + a temporary.
    std::string quoted(1, '\'');
    quoted += encode_utf8(c);
    quoted += "' (";
    quoted += code_point_name(c);
    quoted += ')';
    return quoted;
}

std::string missing_character_warning(char32_t c, rom table) {
    return quoted_character(c) + " is not in the " + std::string(rom_name(table)) +
           " ROM: sent as ?";
}

std::string more_missing_warning(std::size_t count, rom table) {
    return "and " + std::to_string(count) + " more " + (count == 1 ? "character" : "characters") +
           " not in the " + std::string(rom_name(table)) + " ROM, each sent as ?";
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
