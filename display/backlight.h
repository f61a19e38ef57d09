// The looks of the glass: an LCD with a yellow-green or a blue backlight, or a vacuum
// fluorescent display; and what the module's state does to them.
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
    friend bool operator==(const glass_colours&, const glass_colours&) = default;
};

// The look with its backlight on at full brightness.
glass_colours colours(backlight b);

// The look in a module's state. An LCD whose backlight is off shows unlit glass, its text still
// legible on it (dark on a yellow-green one, grey on a blue one); brightness 1-4 dims the
// backlight in steps, so that 1 is still clearly lit. A VFD lights its own dots: it has no
// backlight to switch, and brightness dims the dots.
glass_colours colours(backlight b, bool backlight_on, int brightness);

// "yellow-green", "blue-white", "vfd-cyan".
std::optional<backlight> parse_backlight(std::string_view name);
std::string_view backlight_choices();

}  // namespace quillon::display
