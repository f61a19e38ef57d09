#include "screens/shapes.h"

namespace quillon::screens {
namespace {

constexpr std::uint8_t all = 0x1F;
constexpr std::uint8_t dot = 0x0E;

// The pieces: full, top bar, bottom bar, both bars, a dot low in the cell, a dot high.
enum : std::int8_t { F = 0, T = 1, L = 2, B = 3, D = 4, H = 5, _ = -1 };

constexpr std::array<display::glyph, big2_piece_count> pieces{{
    {all, all, all, all, all, all, all, all},
    {all, all, all, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, all, all, all},
    {all, all, all, 0, 0, all, all, all},
    {0, 0, 0, 0, dot, dot, dot, 0},
    {0, dot, dot, dot, 0, 0, 0, 0},
}};

constexpr big2_symbol digit(std::array<std::int8_t, 3> top, std::array<std::int8_t, 3> bottom) {
    return {3, {top, bottom}, true};
}

constexpr std::array<big2_symbol, 10> digits{{
    digit({F, T, F}, {F, L, F}),
    digit({T, F, _}, {L, F, L}),
    digit({B, B, F}, {F, L, L}),
    digit({B, B, F}, {L, L, F}),
    digit({F, L, F}, {_, _, F}),
    digit({F, B, B}, {L, L, F}),
    digit({F, B, B}, {F, L, F}),
    digit({T, T, F}, {_, _, F}),
    digit({F, B, F}, {F, L, F}),
    digit({F, B, F}, {L, L, F}),
}};
constexpr big2_symbol colon{1, {{{D, _, _}, {H, _, _}}}, false};
constexpr big2_symbol point{1, {{{_, _, _}, {D, _, _}}}, false};
constexpr big2_symbol minus{2, {{{L, L, _}, {_, _, _}}}, true};
constexpr big2_symbol space{1, {{{_, _, _}, {_, _, _}}}, true};

}  // namespace

display::glyph bar_glyph(int columns) {
    const auto lit = static_cast<std::uint8_t>(all & ~(all >> columns));
    return {0, lit, lit, lit, lit, lit, lit, 0};
}

const std::array<display::glyph, big2_piece_count>& big2_pieces() { return pieces; }

const big2_symbol* find_big2_symbol(char c) {
    if (c >= '0' && c <= '9') return &digits[static_cast<std::size_t>(c - '0')];
    switch (c) {
        case ':':
            return &colon;
        case '.':
            return &point;
        case '-':
            return &minus;
        case ' ':
            return &space;
        default:
            return nullptr;
    }
}

}  // namespace quillon::screens
