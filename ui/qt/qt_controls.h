// Making a control on Qt: the Qt widget that looks and behaves like the Win32 class and style
// asked for.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string_view>

#include "ui/window_system.h"

namespace quillon::ui {

// A child widget of parent at the pixel rectangle, or null when the class or style is one the
// window has no use for. The caller owns nothing: the parent does.
QWidget* make_control(std::uint32_t ext_style, std::string_view class_name, std::string_view text,
                      std::uint32_t style, const rect& pixels, QWidget& parent);

}  // namespace quillon::ui
