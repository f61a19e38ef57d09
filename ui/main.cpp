// The window program: builds the main window, presets COM1 at 9600 and runs the polling loop
// until the window is closed. Only --help and --version are looked at, alone as the first
// argument; every other argument is ignored.
#include <cstdio>
#include <string_view>

#include "ui/dialog_engine.h"
#include "ui/main_window.h"
#include "ui/send_action.h"
#include "ui/window_system.h"

namespace {

constexpr std::string_view help_text = R"(Usage: quillon [--help | --version]

Opens Quillon's window: type text with tags, pick the port (COM1 to COM8) and the rate, and
press Send. A Send that fails says why in a warning box. quillon-send does the same from the
command line, and quillon-send --tags lists every tag.

  -h, --help     show this text
      --version  show the version of quillon
)";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h") {
            return std::fputs(help_text.data(), stdout) < 0 ? 1 : 0;
        }
        if (first == "--version") {
            return std::fputs("quillon " QUILLON_PACKAGE_VERSION "\n", stdout) < 0 ? 1 : 0;
        }
    }
    // Only the program's own name reaches the toolkit, so its options (-platform, -style, ...)
    // are ignored like every other argument.
    const auto windows = quillon::ui::make_platform_window_system(argv[0]);
    quillon::ui::dialog_engine engine(*windows);
    quillon::ui::start_main_window(engine, quillon::ui::linked_serial_library());
    engine.run();
    return 0;
}
