// The kinds of module the virtual display emulates. The tag language speaks to three families of
// serial display module, and a module answers only its own family's bytes:
//   hd44780         family C: an HD44780 character module behind byte 254 (LMA_/LMB_ tags);
//   text            family A: a character module driven by one-byte controls 1-18 and a few
//                   escapes (HOME, CLS, POSITION, BIG_BEGIN, DEFINE_CHAR, ...);
//   text-vfd        family A's vacuum-fluorescent variant;
//   graphic         family B: a 120x32-pixel graphic module with one layer (ESC A ... ESC Z);
//   graphic-layers  family B: 128x64 pixels, a graphics layer and a 16x4 text layer.
// On real hardware families A and C are modes of one kind of module, chosen by a jumper, never
// by the byte stream: so they are profiles here, and a module in one mode does not switch.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "display/geometry.h"

namespace quillon::display {

enum class profile : std::uint8_t { hd44780, text, text_vfd, graphic, graphic_layers };

enum class family : std::uint8_t { a, b, c };

struct profile_facts {
    profile id;
    std::string_view name;  // "text-vfd", as --module takes it
    family bytes;           // whose bytes it answers
    bool graphic;           // pixels rather than character cells
    // The sizes it comes in, as COLSxROWS of cells or WIDTHxHEIGHT of pixels.
    std::span<const display_size> sizes;
    display_size default_size;
    std::string_view description;  // one line for --help and the docs
};

const profile_facts& facts(profile p);
std::span<const profile_facts> all_profiles();

// "hd44780", "text", ...; nothing for another name.
std::optional<profile> parse_profile(std::string_view name);
// "hd44780, text, text-vfd, graphic or graphic-layers", for messages.
std::string profile_choices();

// A size this profile comes in, from "20x4" (cells) or "128x64" (pixels); nothing otherwise.
std::optional<display_size> parse_size(profile p, std::string_view text);
// "16x2, 20x2, 20x4 or 40x4", for messages.
std::string size_choices(profile p);

}  // namespace quillon::display
