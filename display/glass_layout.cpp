#include "display/glass_layout.h"

namespace quillon::display {

glass_grid character_grid(display_size cells) { return {cells, 5, 8}; }

glass_grid pixel_grid(int width, int height) { return {{1, 1}, width, height}; }

glass_grid grid_of(const screen& s) {
    return s.graphic() ? pixel_grid(s.pixel_width, s.pixel_height) : character_grid(s.size);
}

glass_layout::glass_layout(const glass_grid& grid, int dot)
    : grid_(grid), dot_(dot), gap_(1), column_gap_(dot + 1), row_gap_(2 * dot), margin_(4 * dot) {}

glass_layout glass_layout::fitting(const glass_grid& grid, int width, int height) {
    int dot = 1;
    while (glass_layout(grid, dot + 1).width() <= width &&
           glass_layout(grid, dot + 1).height() <= height) {
        ++dot;
    }
    return {grid, dot};
}

int glass_layout::width() const {
    const int columns = grid_.cells.columns;
    return 2 * margin_ + columns * cell_width() + (columns - 1) * column_gap_;
}

int glass_layout::height() const {
    const int rows = grid_.cells.rows;
    return 2 * margin_ + rows * cell_height() + (rows - 1) * row_gap_;
}

pixel_rect glass_layout::cell(int row, int column) const {
    return {margin_ + column * (cell_width() + column_gap_),
            margin_ + row * (cell_height() + row_gap_), cell_width(), cell_height()};
}

pixel_rect glass_layout::dot_rect(int row, int column, int dot_row, int dot_column) const {
    const pixel_rect c = cell(row, column);
    return {c.x + dot_column * pitch(), c.y + dot_row * pitch(), dot_, dot_};
}

int default_dot(const glass_grid& grid, int room) {
    int dot = 4;
    while (dot > 1 && glass_layout(grid, dot).width() > room) --dot;
    return dot;
}

}  // namespace quillon::display
