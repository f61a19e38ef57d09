#include "screens/frame.h"

namespace quillon::screens {

frame frame::blank(display::display_size grid) {
    frame f;
    f.grid = grid;
    f.codes.assign(static_cast<std::size_t>(grid.columns * grid.rows), ' ');
    return f;
}

}  // namespace quillon::screens
