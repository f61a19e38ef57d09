#include "cli/platform.h"

namespace quillon::cli::platform {

std::vector<std::string> arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

std::string_view virtual_display_source() { return "  a running virtual display,\n"; }

}  // namespace quillon::cli::platform
