// The dialog font on Qt: the typeface the template names when it is installed, with a
// metric-alike in its place otherwise, sized the way the platform sizes a point size.
#pragma once

#include <QFont>
#include <string_view>
#include <utility>

namespace quillon::ui {

QFont make_dialog_font(std::string_view typeface, int point_size);

// (average character width, character height) in pixels.
std::pair<int, int> dialog_base_units(const QFont& font);

}  // namespace quillon::ui
