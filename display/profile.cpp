#include "display/profile.h"

#include <array>

namespace quillon::display {
namespace {

constexpr std::array<display_size, 5> hd44780_sizes{{{16, 2}, {20, 2}, {20, 4}, {16, 4}, {40, 2}}};
constexpr std::array<display_size, 4> text_sizes{{{16, 2}, {20, 2}, {20, 4}, {40, 4}}};
constexpr std::array<display_size, 2> vfd_sizes{{{20, 2}, {20, 4}}};
constexpr std::array<display_size, 1> graphic_sizes{{{120, 32}}};
constexpr std::array<display_size, 1> layered_sizes{{{128, 64}}};

constexpr std::array<profile_facts, 5> profiles{{
    {profile::hd44780,
     "hd44780",
     family::c,
     false,
     hd44780_sizes,
     {20, 4},
     "HD44780 character module: byte 254 then an instruction (LMA_/LMB_ tags)"},
    {profile::text,
     "text",
     family::a,
     false,
     text_sizes,
     {20, 4},
     "serial text module: one-byte controls 1-18 and ESC D/E (HOME, CLS, POSITION, ...)"},
    {profile::text_vfd,
     "text-vfd",
     family::a,
     false,
     vfd_sizes,
     {20, 2},
     "the text module's vacuum-fluorescent variant"},
    {profile::graphic,
     "graphic",
     family::b,
     true,
     graphic_sizes,
     {120, 32},
     "serial graphic module, 120x32 pixels, one layer (ESC A ... ESC Z)"},
    {profile::graphic_layers,
     "graphic-layers",
     family::b,
     true,
     layered_sizes,
     {128, 64},
     "serial graphic module, 128x64 pixels, a graphics layer and a 16x4 text layer"},
}};

}  // namespace

const profile_facts& facts(profile p) { return profiles[static_cast<std::size_t>(p)]; }

std::span<const profile_facts> all_profiles() { return profiles; }

std::optional<profile> parse_profile(std::string_view name) {
    for (const profile_facts& f : profiles) {
        if (f.name == name) return f.id;
    }
    return std::nullopt;
}

std::string profile_choices() {
    std::string text;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (i > 0) text += i + 1 == profiles.size() ? " or " : ", ";
        text += profiles[i].name;
    }
    return text;
}

std::optional<display_size> parse_size(profile p, std::string_view text) {
    for (const display_size& size : facts(p).sizes) {
        if (text == size_name(size)) return size;
    }
    return std::nullopt;
}

std::string size_choices(profile p) {
    const auto sizes = facts(p).sizes;
    std::string text;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (i > 0) text += i + 1 == sizes.size() ? " or " : ", ";
        text += size_name(sizes[i]);
    }
    return text;
}

}  // namespace quillon::display
