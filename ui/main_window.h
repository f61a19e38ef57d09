// The main window: its template, the table of its eighteen controls, the builder and start-up.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/dialog_engine.h"
#include "ui/main_window_ids.h"
#include "ui/serial_library.h"

namespace quillon::ui {

// The style the builder asks for; the engine adds DS_SETFONT, DS_NOFAILCREATE and DS_3DLOOK.
inline constexpr std::uint32_t main_window_style = 0x80CA0880;
inline constexpr int main_window_width_units = 213;
inline constexpr int main_window_height_units = 148;
inline constexpr std::uint16_t main_window_point_size = 8;
inline constexpr std::string_view main_window_typeface = "MS Sans Serif";
inline constexpr std::string_view main_window_caption_prefix = "Quillon v1.1b";

// What a control does with its messages.
enum class control_role { no_handler, does_nothing, sends };

struct main_window_control {
    control_layout layout;
    std::string_view class_name;       // as the window system is asked for it
    std::optional<control_kind> kind;  // none: created in the generic form by class name
    control_role role;
};

// The controls in creation order: the order is the Z-order, which sets the Tab order and the
// extent of the radio-button groups (each WS_GROUP starts one).
extern const std::array<main_window_control, 18> main_window_controls;

// The caption prefix, two blanks and the project's home address.
std::string main_window_caption();

// Creates the window, adds the controls in order and shows it with the window handler.
// Returns the main window handle, 0 when the window could not be created.
window_handle build_main_window(dialog_engine& engine, const serial_library& serial);

// The start-up of the program before its loop: the window built, COM1 and 9600 ticked.
window_handle start_main_window(dialog_engine& engine, const serial_library& serial);

}  // namespace quillon::ui
