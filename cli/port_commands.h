// quillon-send's commands about the ports rather than a text: --list and --map/--unmap.
#pragma once

#include "cli/options.h"

namespace quillon::cli {

// --list [--probe]: COM1 to COM8 with their targets, where each mapping comes from and their
// state (opening each only with --probe), the ports files' lines that map no port, then the
// serial devices no port maps, each with the --map line that would.
int list_ports(bool open_each);

// --map COMn=TARGET or --unmap COMn: the user's ports file edited, then a note when something
// that comes first (QUILLON_COMn, a running display) or a missing target changes what it means.
int edit_mapping(const options& o);

}  // namespace quillon::cli
