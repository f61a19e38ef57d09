#include "translate/tag_families.h"

#include <algorithm>
#include <array>

namespace quillon {
namespace {

constexpr std::uint8_t every_family = family_a | family_b | family_c;
// Family B takes the one-byte commands too, most with the same meaning (2 and 3 switch inverse
// text rather than big characters); family A takes three of the escapes: ESC D n and 8 rows
// defines a user character, ESC E n restores the segment shapes or the start-up screen, ESC X n
// stores that screen.
constexpr std::uint8_t text_and_graphic = family_a | family_b;

constexpr tag_family control(std::string_view name) {
    return {name, tag_group::control_codes, every_family};
}
constexpr tag_family command(std::string_view name) {
    return {name, tag_group::one_byte_commands, text_and_graphic};
}
constexpr tag_family escape(std::string_view name, std::uint8_t families = family_b) {
    return {name, tag_group::escape_sequences, families};
}
constexpr tag_family lead_in(std::string_view name) {
    return {name, tag_group::lead_in_254, family_c};
}

// clang-format off
constexpr std::array<tag_family, 116> families{{
    control("NUL"), control("SOH"), control("STX"), control("ETX"), control("EOT"),
    control("ENQ"), control("ACK"), control("BEL"), control("BS"), control("HT"),
    control("LF"), control("VT"), control("FF"), control("CR"), control("SO"),
    control("SI"), control("DLE"), control("DC1"), control("DC2"), control("DC3"),
    control("DC4"), control("NAK"), control("SYN"), control("ETB"), control("CAN"),
    control("EM"), control("SUB"), control("ESC"), control("FS"), control("GS"),
    control("RS"), control("US"), control("NULL"),

    command("HOME"), command("BIG_BEGIN"), command("BIG_END"), command("NO_CURSOR"),
    command("UL_CURSOR"), command("BK_CURSOR"), command("BELL"), command("BACKSPACE"),
    command("TAB"), command("LINEFEED"), command("VTAB"),
    command("CLS"), command("CLEAR"), command("CLEAR_SCREEN"), command("RETURN"),
    command("BL_ON"), command("BACKLIGHT_ON"), command("VFD_ON"),
    command("BL_OFF"), command("BACKLIGHT_OFF"), command("VFD_OFF"),
    command("POSITION"), command("CLR_COL"), command("RIGHT_ALIGN"),

    escape("EEPROM_TO_SCREEN", text_and_graphic), escape("DEFINE_CHAR", text_and_graphic),
    escape("SET_ADDRESS"), escape("WRITE_BYTE"), escape("CLEAR_TO_BYTE"),
    escape("DOWNLOAD_GRAPHIC"), escape("SET_FONT"), escape("SET_INK"), escape("LINE"),
    escape("LINE_TO"), escape("MODE_OR"), escape("MODE_XOR"),
    escape("OVERLAY_OR"), escape("OVERLAY_XOR"), escape("OVERLAY_AND"), escape("POINT"),
    escape("REVERSE_NONE"), escape("REVERSE_GRAPHICS"), escape("REVERSE_TEXT"),
    escape("REVERSE_BOTH"), escape("REVERSE_LINES"),
    escape("LAYERS_BOTH_ON"), escape("LAYERS_GRAPHICS_OFF"), escape("LAYERS_TEXT_OFF"),
    escape("LAYERS_BOTH_OFF"), escape("TRANSFER_TO_EE", text_and_graphic),
    escape("ZAP_GRAPHICS_SETTINGS"), escape("ZAP_TEXT_SETTINGS"), escape("ZAP_BOTH_SETTINGS"),

    lead_in("LMA_CLS"), lead_in("LMB_CLS"), lead_in("LMA_HOME"), lead_in("LMB_HOME"),
    lead_in("LMA_BLANK"), lead_in("LMB_BLANK"), lead_in("LMA_NO_CURSOR"),
    lead_in("LMB_NO_CURSOR"), lead_in("LMA_BLOCK_CURSOR"), lead_in("LMB_BLOCK_CURSOR"),
    lead_in("LMA_UL_CURSOR"), lead_in("LMB_UL_CURSOR"), lead_in("LMA_MOVE_LEFT"),
    lead_in("LMB_MOVE_LEFT"), lead_in("LMA_MOVE_RIGHT"), lead_in("LMB_MOVE_RIGHT"),
    lead_in("LMA_SCROLL_LEFT"), lead_in("LMB_SCROLL_LEFT"), lead_in("LMA_SCROLL_RIGHT"),
    lead_in("LMB_SCROLL_RIGHT"), lead_in("LMA_PREFIX"), lead_in("LMB_PREFIX"),
    lead_in("LMA_LINE1"), lead_in("LMB_LINE1"), lead_in("LMA_LINE2"), lead_in("LMB_LINE2"),
    lead_in("LMA_LINE3"), lead_in("LMB_LINE3"), lead_in("LMA_LINE4"), lead_in("LMB_LINE4"),
}};
// clang-format on

}  // namespace

std::span<const tag_family> tag_families() { return families; }

const tag_family* find_tag_family(std::string_view capitals) {
    const auto it = std::find_if(families.begin(), families.end(),
                                 [&](const tag_family& f) { return f.name == capitals; });
    return it == families.end() ? nullptr : &*it;
}

}  // namespace quillon
