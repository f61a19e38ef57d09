#include "display/backlight.h"

#include <algorithm>

namespace quillon::display {
namespace {

// The same LCDs with the backlight off: the glass greyer and darker, lit only by the room.
glass_colours unlit_look(backlight b) {
    if (b == backlight::blue_white) return {0x1A1A1A, 0x18285C, 0x6A7AA4, 0x1C2D66};
    return {0x1A1A1A, 0x8A9868, 0x1E2A0C, 0x829060};
}

// From `from` towards `to` by `step` fifths, each of the three channels.
std::uint32_t between(std::uint32_t from, std::uint32_t to, int step) {
    std::uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((from >> shift) & 0xFF);
        const int b = static_cast<int>((to >> shift) & 0xFF);
        mixed |= static_cast<std::uint32_t>(a + (b - a) * step / 5) << shift;
    }
    return mixed;
}

}  // namespace

glass_colours colours(backlight b) {
    switch (b) {
        case backlight::blue_white:
            return {0x1A1A1A, 0x2443C8, 0xEEF4FF, 0x2C4DD4};
        case backlight::vfd_cyan:
            return {0x000000, 0x061210, 0x5CFFE6, 0x0D201C};
        case backlight::yellow_green:
            break;
    }
    return {0x1A1A1A, 0xA6C44C, 0x1E2A0C, 0x9AB844};
}

glass_colours colours(backlight b, bool backlight_on, int brightness) {
    glass_colours full = colours(b);
    // Brightness 4 is full; 1, 2 and 3 are two, three and four fifths of the way from dark.
    const int step = std::clamp(brightness, 1, 4) + 1;
    if (b == backlight::vfd_cyan) {
        full.lit = between(full.unlit, full.lit, step);
        return full;
    }
    const glass_colours dark = unlit_look(b);
    if (!backlight_on) return dark;
    return {full.bezel, between(dark.glass, full.glass, step), between(dark.lit, full.lit, step),
            between(dark.unlit, full.unlit, step)};
}

std::optional<backlight> parse_backlight(std::string_view name) {
    if (name == "yellow-green") return backlight::yellow_green;
    if (name == "blue-white") return backlight::blue_white;
    if (name == "vfd-cyan") return backlight::vfd_cyan;
    return std::nullopt;
}

std::string_view backlight_choices() { return "yellow-green, blue-white or vfd-cyan"; }

}  // namespace quillon::display
