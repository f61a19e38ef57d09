// The bytes to the current port, with their progress shown on a terminal (cli/progress_line.h).
//
// The device layer's write is one synchronous call that says nothing until it returns, and its
// three writers (POSIX, Windows, the network) each keep their own loop. Without reaching into
// them, the progress is observed by writing in pieces: the same bytes, in order. Each piece has
// the layer's bound for its own size, which counts only its own bytes, while the driver may
// still hold an earlier piece's: a serial port's driver keeps a page (4 KiB) and wakes its writer
// only once nearly all of it has gone, and a pseudo-terminal holds 10-14 KB. A piece of 16 KiB
// never waits on those longer than its own line time, so no piece times out where the one write
// would not have; smaller pieces would (and a timed-out write throws away the driver's bytes).
// The send as a whole still ends by the bound of one write of every byte, checked between
// pieces. A network target's socket buffers are larger still: it stays one write, as does a
// send into a pipe or with --quiet.
//
// Between pieces the line is redrawn four times a second from a thread of its own, so that a
// send that lasts over a second shows from then on what is known: the time so far, and once the
// port took a piece, the bytes, the rate and the time left.
#pragma once

#include <string_view>

#include "serial/errors.h"

namespace quillon::cli {

// `may_show`: not --quiet and not a network target; the progress is then shown when standard
// error is a terminal.
serial::error send_bytes_showing_progress(std::string_view bytes, int baud, bool may_show);

}  // namespace quillon::cli
