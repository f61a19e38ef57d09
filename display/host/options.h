// The command line of quillon-display.
#pragma once

#include <string>
#include <vector>

#include "display/backlight.h"
#include "display/geometry.h"
#include "display/profile.h"
#include "display/rom.h"

namespace quillon::display {

struct options {
    int port = 0;  // 0: the first port that nothing else maps
    profile module = profile::hd44780;
    // Cells of a character module, pixels of a graphic one: one of the module's sizes.
    display_size size = facts(profile::hd44780).default_size;
    backlight light = backlight::yellow_green;
    int baud = 9600;    // the rate the display listens at; a sender at another rate is warned of
    bool text = false;  // print the screen after each burst of bytes
    bool no_window = false;
    bool help = false;
    bool version = false;
    rom character_rom = rom::a00;  // the ROM its character generator holds
};

struct parsed_options {
    options chosen;
    std::string error;  // one line saying what was wrong; empty when the line was good
};

parsed_options parse_options(const std::vector<std::string>& arguments);

std::string help_text();

}  // namespace quillon::display
