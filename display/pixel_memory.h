// The pixel memory of a graphic module, laid out as the modules' manuals describe it: bytes
// numbered from 0 left to right across a stripe 8 pixels high, then the next stripe down; each
// byte is the 8 pixels of one column of its stripe, bit 0 the top one (bit order not
// documented; chosen). A set bit is ink (black).
#pragma once

#include <array>
#include <cstdint>

namespace quillon::display {

// How drawn pixels change: to the ink colour, or inverted whatever the ink.
struct pen {
    bool ink = true;
    bool invert = false;
};

class pixel_memory {
  public:
    static constexpr int largest = 128 * 64 / 8;
    using bytes = std::array<std::uint8_t, largest>;

    // White, for a width and a height (a multiple of 8) of at most 128x64 pixels.
    pixel_memory(int width, int height) : width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    // The bytes in use: width x height / 8.
    int size() const { return width_ * height_ / 8; }

    std::uint8_t& byte(int address) { return bytes_[static_cast<std::size_t>(address)]; }
    std::uint8_t byte(int address) const { return bytes_[static_cast<std::size_t>(address)]; }
    const bytes& all() const { return bytes_; }
    bytes& all() { return bytes_; }
    void fill(std::uint8_t value);

    // Coordinates are inside the memory.
    void plot(int x, int y, pen p);
    // Both ends included, one pixel per step along the longer axis.
    void line(int x0, int y0, int x1, int y1, pen p);

  private:
    int width_;
    int height_;
    bytes bytes_{};
};

}  // namespace quillon::display
