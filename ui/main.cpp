// The window program: builds the main window, presets COM1 at 9600 and runs the polling loop
// until the window is closed. Only --help and --version are looked at, alone as the first
// argument; every other argument is ignored.
#include <cstdio>
#include <string>
#include <vector>

#include "options/option_table.h"
#include "ui/dialog_engine.h"
#include "ui/main_window.h"
#include "ui/send_action.h"
#include "ui/window_system.h"

namespace {

constexpr const char* help_opening = R"(Usage: quillon [--help | --version]

Opens Quillon's window: type text with tags, pick the port (COM1 to COM8) and the rate, and
press Send. A Send that fails says why in a warning box. quillon-send does the same from the
command line, and quillon-send --tags lists every tag.

)";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) {
        bool help = false;
        bool version = false;
        const std::vector<quillon::options::option> table{
            quillon::options::help_option(help),
            quillon::options::version_option(version, "quillon")};
        const auto line = quillon::options::parse_command_line(table, {argv[1]});
        if (line.error.empty() && help) {
            const std::string text = help_opening + quillon::options::option_help(table);
            return std::fputs(text.c_str(), stdout) < 0 ? 1 : 0;
        }
        if (line.error.empty() && version) {
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
