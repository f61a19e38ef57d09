// Dialog units to pixels: x pixels = units * average character width / 4, y pixels = units *
// character height / 8, each rounded the way the platform's MulDiv rounds (half away from zero).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "ui/window_system.h"

namespace quillon::ui {

// number * numerator / denominator in 64 bits, rounded half away from zero.
constexpr int mul_div(int number, int numerator, int denominator) {
    const std::int64_t product = std::int64_t{number} * numerator;
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) /
                                   (denominator < 0 ? -denominator : denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

constexpr rect map_dialog_units(const rect& units, int base_x, int base_y) {
    return rect{mul_div(units.left, base_x, 4), mul_div(units.top, base_y, 8),
                mul_div(units.right, base_x, 4), mul_div(units.bottom, base_y, 8)};
}

// The average character width as the platform computes it: the advance of the 52 letters
// A-Z a-z, divided by 52 and rounded half up.
constexpr int average_width_of_letters(int advance_of_52_letters) {
    return (advance_of_52_letters + 26) / 52;
}

}  // namespace quillon::ui
