// What quillon-send does its own way on each platform, chosen at configure time (cli/posix/,
// cli/win32/).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli::platform {

// The program's arguments, without its name, as the text the user typed: on POSIX the bytes of
// argv; on Windows the command line as UTF-16 converted to UTF-8, since argv holds it in the
// ANSI code page, where --charset would meet "ü" as the byte 252 and a character beyond the code
// page as "?".
std::vector<std::string> arguments(int argc, char** argv);

// For --help, a line of the places a COM port's target comes from: "  a running virtual
// display,\n" where quillon-display runs, nothing where it does not.
std::string_view virtual_display_source();

}  // namespace quillon::cli::platform
