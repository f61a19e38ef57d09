// Where the window draws each dot. A character module's glass is cells of 5x8 square dots with a
// one-pixel gap between dots and a wider gap between cells, so that each character stands apart;
// a graphic module's glass is one field of square dots with the same one-pixel gap, as its
// pixels are evenly spaced. A margin of glass runs round either. Everything scales with the
// size of a dot.
#pragma once

#include "display/geometry.h"
#include "display/screen.h"

namespace quillon::display {

struct pixel_rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const pixel_rect&, const pixel_rect&) = default;
};

// What the glass is made of: cells across and down, each so many dots across and down. A
// graphic module's pixels are one cell as wide and tall as the module.
struct glass_grid {
    display_size cells;
    int cell_width = 5;
    int cell_height = 8;
    friend bool operator==(const glass_grid&, const glass_grid&) = default;
};

glass_grid character_grid(display_size cells);
glass_grid pixel_grid(int width, int height);
// The grid of what a snapshot shows: its pixels when it has any, else its cells.
glass_grid grid_of(const screen& s);

class glass_layout {
  public:
    glass_layout(const glass_grid& grid, int dot);

    // The largest layout (dots of at least one pixel) that fits in width x height.
    static glass_layout fitting(const glass_grid& grid, int width, int height);

    int dot() const { return dot_; }
    int width() const;
    int height() const;
    pixel_rect cell(int row, int column) const;
    // Dot (dot_row, dot_column) of a cell: 0-7 and 0-4 in a character, y and x in the pixels.
    pixel_rect dot_rect(int row, int column, int dot_row, int dot_column) const;

  private:
    int pitch() const { return dot_ + gap_; }
    int cell_width() const { return grid_.cell_width * pitch() - gap_; }
    int cell_height() const { return grid_.cell_height * pitch() - gap_; }

    glass_grid grid_;
    int dot_;
    int gap_;
    int column_gap_;
    int row_gap_;
    int margin_;
};

// The dot size a new window starts with: 4 pixels whatever the size, as a real module's dots are
// about the same size on a 40x2 as on a 16x2 or a 128x64; smaller only when the glass would not
// fit in `room` pixels across (at least 1).
int default_dot(const glass_grid& grid, int room);

}  // namespace quillon::display
