#include "display/backlight.h"

namespace quillon::display {

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

std::optional<backlight> parse_backlight(std::string_view name) {
    if (name == "yellow-green") return backlight::yellow_green;
    if (name == "blue-white") return backlight::blue_white;
    if (name == "vfd-cyan") return backlight::vfd_cyan;
    return std::nullopt;
}

std::string_view backlight_choices() { return "yellow-green, blue-white or vfd-cyan"; }

}  // namespace quillon::display
