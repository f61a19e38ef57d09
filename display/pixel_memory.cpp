#include "display/pixel_memory.h"

#include <algorithm>
#include <cstdlib>

namespace quillon::display {

void pixel_memory::fill(std::uint8_t value) { std::fill_n(bytes_.begin(), size(), value); }

void pixel_memory::plot(int x, int y, pen p) {
    std::uint8_t& b = byte((y / 8) * width_ + x);
    const auto bit = static_cast<std::uint8_t>(1U << (y % 8));
    if (p.invert) {
        b ^= bit;
    } else if (p.ink) {
        b |= bit;
    } else {
        b &= static_cast<std::uint8_t>(~bit);
    }
}

// Bresenham's line: the error term decides, at each step along the longer axis, whether the
// shorter one steps too, so every pixel is drawn once.
void pixel_memory::line(int x0, int y0, int x1, int y1, pen p) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        plot(x0, y0, p);
        if (x0 == x1 && y0 == y1) return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

}  // namespace quillon::display
