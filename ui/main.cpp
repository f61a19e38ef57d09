// The window program: builds the main window, presets COM1 at 9600 and runs the polling loop
// until the window is closed. No command-line argument is looked at.
#include "ui/dialog_engine.h"
#include "ui/main_window.h"
#include "ui/send_action.h"
#include "ui/window_system.h"

int main(int /*argc*/, char** argv) {
    // Only the program's own name reaches the toolkit, so its options (-platform, -style, ...)
    // are ignored like every other argument.
    const auto windows = quillon::ui::make_platform_window_system(argv[0]);
    quillon::ui::dialog_engine engine(*windows);
    quillon::ui::start_main_window(engine, quillon::ui::linked_serial_library());
    engine.run();
    return 0;
}
