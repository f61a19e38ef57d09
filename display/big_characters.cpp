// The big characters are this emulator's own design: real modules draw their big symbols from
// eight segment shapes of their own, which no data sheet shows. The set here is drawn so that
// every digit and letter stays legible on the glass, with the 1-dot gaps between cells.
#include "display/big_characters.h"

#include <cstddef>
#include <string_view>

namespace quillon::display {
namespace {

// The segment shapes, user characters 0-7 (codes 128-135), bit 4 the leftmost dot. Each has a
// legend character, which the maps below draw with.
constexpr std::string_view legend = "#^_/\\rfo";
constexpr std::array<glyph, 8> segments{{
    // '#': a full block.
    {0b11111, 0b11111, 0b11111, 0b11111, 0b11111, 0b11111, 0b11111, 0b11111},
    // '^': the upper half, for top bars.
    {0b11111, 0b11111, 0b11111, 0b11111, 0b00000, 0b00000, 0b00000, 0b00000},
    // '_': the lower half, for middle and bottom bars.
    {0b00000, 0b00000, 0b00000, 0b00000, 0b11111, 0b11111, 0b11111, 0b11111},
    // '/': a block with its top-left and bottom-right corners cut: the rounded corner of a bowl
    // at its top left or bottom right.
    {0b00111, 0b01111, 0b11111, 0b11111, 0b11111, 0b11111, 0b11110, 0b11100},
    // '\': the same mirrored, for the top right and bottom left.
    {0b11100, 0b11110, 0b11111, 0b11111, 0b11111, 0b11111, 0b01111, 0b00111},
    // 'r': a rising stroke, for diagonals from the bottom left to the top right.
    {0b00011, 0b00111, 0b00111, 0b01110, 0b01110, 0b11100, 0b11100, 0b11000},
    // 'f': a falling stroke.
    {0b11000, 0b11100, 0b11100, 0b01110, 0b01110, 0b00111, 0b00111, 0b00011},
    // 'o': a dot on the cell's bottom rows, for '.' and ':'.
    {0b00000, 0b00000, 0b00000, 0b00000, 0b01110, 0b01110, 0b01110, 0b01110},
}};

// Each symbol as four rows of legend characters, a space for a blank cell.
struct drawing {
    char symbol;
    std::array<std::string_view, big_rows> rows;
};

constexpr std::array<drawing, 40> drawings{{
    {'0', {"/^^\\", "# r#", "#r #", "\\__/"}},  // slashed, unlike O
    {'1', {" r# ", "  # ", "  # ", " _#_"}},
    {'2', {"/^^\\", "___/", "#   ", "#___"}},
    {'3', {"^^^\\", "  _/", "   \\", "___/"}},
    {'4', {"#  #", "#__#", "   #", "   #"}},
    {'5', {"#^^^", "#__ ", "   \\", "___/"}},
    {'6', {"/^^^", "#__ ", "#  \\", "\\__/"}},
    {'7', {"^^^#", "  r ", " r  ", " #  "}},
    {'8', {"/^^\\", "\\__/", "/  \\", "\\__/"}},
    {'9', {"/^^\\", "\\__#", "   #", "___/"}},
    {'A', {"/^^\\", "#__#", "#  #", "#  #"}},
    {'B', {"#^^\\", "#__/", "#  \\", "#__/"}},
    {'C', {"/^^^", "#   ", "#   ", "\\___"}},
    {'D', {"#^^\\", "#  #", "#  #", "#__/"}},
    {'E', {"#^^^", "#__ ", "#   ", "#___"}},
    {'F', {"#^^^", "#__ ", "#   ", "#   "}},
    {'G', {"/^^^", "#   ", "# ^#", "\\__#"}},
    {'H', {"#  #", "#__#", "#  #", "#  #"}},
    {'I', {"^#^ ", " #  ", " #  ", "_#_ "}},
    {'J', {"   #", "   #", "#  #", "\\__/"}},
    {'K', {"#  r", "#_r ", "# f ", "#  f"}},
    {'L', {"#   ", "#   ", "#   ", "#___"}},
    {'M', {"#fr#", "#  #", "#  #", "#  #"}},
    {'N', {"#f #", "# f#", "#  #", "#  #"}},
    {'O', {"/^^\\", "#  #", "#  #", "\\__/"}},
    {'P', {"#^^\\", "#__/", "#   ", "#   "}},
    {'Q', {"/^^\\", "#  #", "# f#", "\\__\\"}},
    {'R', {"#^^\\", "#__/", "# f ", "#  f"}},
    {'S', {"/^^^", "\\__ ", "   \\", "___/"}},
    {'T', {"^#^ ", " #  ", " #  ", " #  "}},
    {'U', {"#  #", "#  #", "#  #", "\\__/"}},
    {'V', {"#  #", "#  #", "f  r", " fr "}},
    {'W', {"#  #", "#  #", "#  #", "#rf#"}},
    {'X', {"f  r", " fr ", " rf ", "r  f"}},
    {'Y', {"f  r", " fr ", " #  ", " #  "}},
    {'Z', {"^^^#", "  r ", " r  ", "#___"}},
    // Punctuation and space are half as wide.
    {'.', {"  ", "  ", "  ", "o "}},
    {'-', {"  ", "__", "  ", "  "}},
    {':', {"  ", "o ", "o ", "  "}},
    {' ', {"  ", "  ", "  ", "  "}},
}};

constexpr std::uint8_t first_segment_code = 128;
constexpr std::uint8_t blank = 0x20;

// A legend character that is not in the legend stops the build here.
constexpr std::uint8_t cell_code(char c) {
    if (c == ' ') return blank;
    const std::size_t segment = legend.find(c);
    if (segment == std::string_view::npos) throw "a big symbol's map uses no segment legend";
    return static_cast<std::uint8_t>(first_segment_code + segment);
}

constexpr std::array<big_symbol, drawings.size()> symbols = [] {
    std::array<big_symbol, drawings.size()> out{};
    for (std::size_t s = 0; s < drawings.size(); ++s) {
        out[s].width = static_cast<int>(drawings[s].rows[0].size());
        for (int r = 0; r < big_rows; ++r) {
            const std::string_view row = drawings[s].rows[r];
            if (static_cast<int>(row.size()) != out[s].width) throw "rows of unequal width";
            for (int c = 0; c < out[s].width; ++c) out[s].cells[r][c] = cell_code(row[c]);
        }
    }
    return out;
}();

// For each byte, its symbol's index, or -1.
constexpr std::array<std::int8_t, 256> symbol_of_code = [] {
    std::array<std::int8_t, 256> index{};
    index.fill(-1);
    for (std::size_t s = 0; s < drawings.size(); ++s) {
        index[static_cast<std::uint8_t>(drawings[s].symbol)] = static_cast<std::int8_t>(s);
    }
    return index;
}();

}  // namespace

const big_symbol* find_big_symbol(std::uint8_t code) {
    const int s = symbol_of_code[code];
    return s < 0 ? nullptr : &symbols[static_cast<std::size_t>(s)];
}

const std::array<glyph, 8>& segment_glyphs() { return segments; }

}  // namespace quillon::display
