// quillon-send: sends text with tags to a serial display module, as the window's Send does.
// The command line picks one command; each lives in its own file.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <new>
#include <string>

#include "cli/messages.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/port_commands.h"
#include "cli/report.h"
#include "cli/tag_reference.h"
#include "cli/text_commands.h"
#include "display/rom_sheet.h"

namespace {

using namespace quillon::cli;

int run(const options& o) {
    if (o.help) return write_output(help_text()) ? sent : write_failed;
    if (o.version)
        return write_output("quillon-send " QUILLON_PACKAGE_VERSION "\n") ? sent : write_failed;
    if (o.tags) return print(tag_reference());
    if (o.rom_sheet) return print(quillon::display::rom_sheet(*o.rom_sheet));
    if (o.list) return list_ports(o.probe);
    if (o.map_port != 0) return edit_mapping(o);
    if (o.preview) return preview(o);
    if (o.dry_run) return dry_run(o);
    return send_to_port(o);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The Windows C runtime opens the standard streams in text mode, which turns 13 10 into 10
    // on input, 10 into 13 10 on output and stops reading at byte 26: bytes must pass unchanged.
    static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
    static_cast<void>(_setmode(_fileno(stdout), _O_BINARY));
#endif
    const parse_result parsed = parse_options(quillon::cli::platform::arguments(argc, argv));
    if (!parsed.error.empty()) return fail(usage, parsed.error + " (see quillon-send --help)");
    try {
        return run(parsed.chosen);
    } catch (const std::bad_alloc&) {
        return fail(no_memory, "out of memory");
    }
}
