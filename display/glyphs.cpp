#include "display/glyphs.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>

// Generated at build time from display/rom/a00.txt and a02.txt, the data sheet's dots.
#include "display/rom/a00.h"
#include "display/rom/a02.h"

namespace quillon::display {
namespace {

using rom_glyphs = std::array<glyph, 256>;

constexpr unsigned hex_digit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    throw std::invalid_argument("a ROM code is 0x and two capital hex digits");
}

// One line of a ROM file (display/rom/README.md): "0x41" and 8 or 11 rows of five dots. A cell
// shows the first 8 rows: the 11-row 5x10 letters of A00 lose what lies below the cursor row.
constexpr void read_line(std::string_view line, rom_glyphs& glyphs) {
    if (line.size() < 4 || line[0] != '0' || line[1] != 'x') {
        throw std::invalid_argument("a ROM line starts with its code");
    }
    const unsigned code = hex_digit(line[2]) * 16 + hex_digit(line[3]);
    if (code < 0x10) throw std::invalid_argument("codes 0-15 are the user characters");
    line.remove_prefix(4);
    glyph dots{};
    std::size_t rows = 0;
    for (; !line.empty(); ++rows, line.remove_prefix(6)) {
        if (line.size() < 6 || line[0] != ' ') throw std::invalid_argument("a row is five dots");
        for (std::size_t column = 0; column < 5; ++column) {
            const char dot = line[1 + column];
            if (dot != '#' && dot != '.') throw std::invalid_argument("a dot is # or .");
            if (dot == '#' && rows < dots.size()) {
                dots[rows] = static_cast<std::uint8_t>(dots[rows] | (0x10 >> column));
            }
        }
    }
    if (rows != 8 && rows != 11) throw std::invalid_argument("a character has 8 or 11 rows");
    glyphs[code] = dots;
}

// The whole file, read while compiling: a line that breaks its form stops the build, since a
// throw is no constant.
constexpr rom_glyphs read_rom_file(std::string_view text) {
    rom_glyphs glyphs{};
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // a Windows checkout
        if (!line.empty()) read_line(line, glyphs);
    }
    return glyphs;
}

constexpr rom_glyphs a00_glyphs = read_rom_file(rom_files::a00);
constexpr rom_glyphs a02_glyphs = read_rom_file(rom_files::a02);

}  // namespace

std::optional<glyph> rom_glyph(std::uint8_t code, rom table) {
    if (code < 0x10) return std::nullopt;
    return (table == rom::a02 ? a02_glyphs : a00_glyphs)[code];
}

glyph cell_glyph(const screen& s, std::uint8_t code) {
    if (s.is_custom(code)) return s.custom[(code - s.first_custom_code) % 8];
    return rom_glyph(code, s.character_rom).value_or(glyph{});
}

}  // namespace quillon::display
