// quillon-send's commands about a text (TEXT, or standard input to its end): shown on a
// display of a chosen size, written to standard output, or sent to a port.
#pragma once

#include <optional>

#include "charset/rom.h"
#include "cli/options.h"

namespace quillon::cli {

// The charset a text is converted with: --charset when it was given (raw included), otherwise
// the port's own (its line in the ports file), otherwise raw.
std::optional<charset::rom> charset_for(const options& o, std::optional<charset::rom> port_charset);

// --preview: the screen the bytes make on a display of the chosen size, framed as text; no
// port is opened.
int preview(const options& o);

// --dry-run: the bytes to standard output, standard input piece by piece as it arrives, so
// that memory does not grow with it.
int dry_run(const options& o);

// The bytes to the port or device, the whole text collected first: in one synchronous write, or
// on a terminal in pieces that show the progress (cli/send_progress.h).
int send_to_port(const options& o);

}  // namespace quillon::cli
