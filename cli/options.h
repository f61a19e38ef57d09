// The command line of quillon-send.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "display/geometry.h"
#include "display/profile.h"
#include "display/rom.h"

namespace quillon::cli {

enum exit_code : int { sent = 0, could_not_open = 1, usage = 2, write_failed = 3, no_memory = 4 };

struct options {
    bool dry_run = false;
    bool raw = false;
    bool list = false;
    bool probe = false;  // with list: open each port to find those in use
    bool help = false;
    bool version = false;
    bool tags = false;    // print the tag reference
    bool quiet = false;   // no warnings about the text, no progress
    bool strict = false;  // a warning about the text stops the run: nothing sent or written
    // --charset: the ROM whose codes text beyond ASCII is converted to; none for raw, as typed.
    std::optional<display::rom> charset;
    bool charset_given = false;  // --charset was on the command line (raw included)
    int port = 1;
    int baud = 9600;
    std::optional<std::string> device;
    // --map COMn=TARGET and --unmap COMn: the port and, for --map, its new target.
    int map_port = 0;
    std::optional<std::string> map_target;
    std::optional<std::string> text;  // none: the text comes from standard input
    // --rom-sheet NAME: print every code of the ROM with its characters and dots.
    std::optional<display::rom> rom_sheet;
    // --preview[=SIZE]: show the screen the bytes make on a module of --module's kind and of
    // that size (cells or pixels, checked against the module's sizes once the line is read).
    std::optional<display::display_size> preview;
    bool dots = false;  // --dots: the preview as dots
    // --module: the kind of module the preview emulates and the tags are meant for; named, it
    // has a send or --dry-run warn of each tag name meant for another kind.
    display::profile module = display::profile::hd44780;
    bool module_named = false;
};

struct parse_result {
    options chosen;
    std::string error;  // one line saying what was wrong; empty when the line was good
};

parse_result parse_options(const std::vector<std::string>& arguments);

// The options part of --help, from the same table the parser reads.
std::string options_help();

}  // namespace quillon::cli
