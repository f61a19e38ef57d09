// The looks of the glass: an LCD with a yellow-green or a blue backlight, or a vacuum
// fluorescent display.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon::display {

enum class backlight { yellow_green, blue_white, vfd_cyan };

// Colours as 0xRRGGBB.
struct glass_colours {
    std::uint32_t bezel;  // round the glass
    std::uint32_t glass;  // the glass between the dots
    std::uint32_t lit;    // a dot that is on
    std::uint32_t unlit;  // a dot that is off: still faintly there, as on real glass
};

glass_colours colours(backlight b);

// "yellow-green", "blue-white", "vfd-cyan".
std::optional<backlight> parse_backlight(std::string_view name);
std::string_view backlight_choices();

}  // namespace quillon::display
