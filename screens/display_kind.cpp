#include "screens/display_kind.h"

namespace quillon::screens {

using display::profile;

display::display_size text_grid(const display_kind& kind) {
    switch (kind.profile) {
        case profile::graphic:
            return {20, 4};
        case profile::graphic_layers:
            return {16, 4};
        default:
            return kind.size;
    }
}

std::string kind_name(const display_kind& kind) {
    return std::string(display::facts(kind.profile).name) + " " + display::size_name(kind.size);
}

bool has_user_characters(profile p) { return !display::facts(p).graphic; }

std::uint8_t user_code(profile p, int slot) {
    return static_cast<std::uint8_t>((p == profile::hd44780 ? 0 : 128) + slot);
}

std::optional<int> user_slot(profile p, std::uint8_t code) {
    if (!has_user_characters(p)) return std::nullopt;
    const int first = p == profile::hd44780 ? 0 : 128;
    if (code < first || code >= first + 8) return std::nullopt;
    return code - first;
}

bool text_code(profile p, std::uint8_t code) {
    switch (p) {
        case profile::hd44780:
            return code >= 16 && code != 254;
        case profile::text:
        case profile::text_vfd:
            return code >= 32 && (code < 128 || code > 135);
        case profile::graphic:
        case profile::graphic_layers:
            return code >= 32 && code < 127;
    }
    return false;
}

bool lit(profile p, const display::screen& shown) {
    return p == profile::hd44780 || p == profile::text_vfd ? shown.display_on : shown.backlight;
}

}  // namespace quillon::screens
