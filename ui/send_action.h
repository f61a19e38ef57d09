// The Send action: reads the text, the port and the baud rate from the main window's controls,
// opens the port, sends a copy of the text through the library's translating send, closes the
// port, and empties the text box when the check box asks for it and all went out. When the port
// did not open or the write failed, a warning box says why and the text stays.
#pragma once

#include <cstdint>

#include "ui/serial_library.h"
#include "ui/window_system.h"

namespace quillon::ui {

// The Send handler's work for one WM_COMMAND wParam from the Send button. Always 0.
std::int32_t send_action(window_system& windows, window_handle main_window,
                         const serial_library& serial, std::uintptr_t wparam);

// 1-8 from the port buttons, the last ticked one in id order winning; 0 when none is ticked.
std::int32_t read_port(window_system& windows, window_handle main_window);
// 9600, 4800, 2400 or 1200 from the baud buttons, the last ticked one winning; 0 when none is.
std::int32_t read_baud(window_system& windows, window_handle main_window);

}  // namespace quillon::ui
