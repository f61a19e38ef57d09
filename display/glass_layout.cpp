#include "display/glass_layout.h"

namespace quillon::display {

glass_layout::glass_layout(display_size size, int dot)
    : size_(size), dot_(dot), gap_(1), column_gap_(dot + 1), row_gap_(2 * dot), margin_(4 * dot) {}

glass_layout glass_layout::fitting(display_size size, int width, int height) {
    int dot = 1;
    while (glass_layout(size, dot + 1).width() <= width &&
           glass_layout(size, dot + 1).height() <= height) {
        ++dot;
    }
    return {size, dot};
}

int glass_layout::width() const {
    const int cell_width = 5 * dot_ + 4 * gap_;
    return 2 * margin_ + size_.columns * cell_width + (size_.columns - 1) * column_gap_;
}

int glass_layout::height() const {
    const int cell_height = 8 * dot_ + 7 * gap_;
    return 2 * margin_ + size_.rows * cell_height + (size_.rows - 1) * row_gap_;
}

pixel_rect glass_layout::cell(int row, int column) const {
    const int cell_width = 5 * dot_ + 4 * gap_;
    const int cell_height = 8 * dot_ + 7 * gap_;
    return {margin_ + column * (cell_width + column_gap_), margin_ + row * (cell_height + row_gap_),
            cell_width, cell_height};
}

pixel_rect glass_layout::dot_rect(int row, int column, int dot_row, int dot_column) const {
    const pixel_rect c = cell(row, column);
    return {c.x + dot_column * pitch(), c.y + dot_row * pitch(), dot_, dot_};
}

int default_dot(display_size size, int room) {
    int dot = 4;
    while (dot > 1 && glass_layout(size, dot).width() > room) --dot;
    return dot;
}

}  // namespace quillon::display
