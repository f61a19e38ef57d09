// Where the window draws each dot: cells of 5x8 square dots with a one-pixel gap between dots,
// a wider gap between cells so that each character stands apart, and a margin of glass round
// them. Everything scales with the size of a dot.
#pragma once

#include "display/geometry.h"

namespace quillon::display {

struct pixel_rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const pixel_rect&, const pixel_rect&) = default;
};

class glass_layout {
  public:
    glass_layout(display_size size, int dot);

    // The largest layout (dots of at least one pixel) that fits in width x height.
    static glass_layout fitting(display_size size, int width, int height);

    int dot() const { return dot_; }
    int width() const;
    int height() const;
    pixel_rect cell(int row, int column) const;
    // Dot (dot_row 0-7, dot_column 0-4) of a cell.
    pixel_rect dot_rect(int row, int column, int dot_row, int dot_column) const;

  private:
    int pitch() const { return dot_ + gap_; }

    display_size size_;
    int dot_;
    int gap_;
    int column_gap_;
    int row_gap_;
    int margin_;
};

// The dot size a new window starts with: 4 pixels whatever the columns, as a real module's
// characters are the same size on a 40x2 as on a 16x2; smaller only when the glass would not
// fit in `room` pixels across (at least 1).
int default_dot(display_size size, int room);

}  // namespace quillon::display
