// Which modules each of the 116 names of the symbol table is for, kept beside the table as data:
// the names' bytes never change with it (stored messages rely on them), only what is said about
// them (quillon-send --tags, the warning for a tag of another family of module).
//   family A: serial text modules (the one-byte commands 1-18, ESC D, ESC E, ESC X);
//   family B: serial graphic modules (the escapes ESC A ... ESC Z, and the one-byte commands);
//   family C: HD44780 modules behind byte 254 (LMA_ and LMB_ names);
//   the ASCII control-code names are for every module.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

// The kinds of name, in the order the symbol table holds them.
enum class tag_group : std::uint8_t {
    control_codes,      // NUL ... US, NULL
    one_byte_commands,  // HOME ... RIGHT_ALIGN
    escape_sequences,   // EEPROM_TO_SCREEN ... ZAP_BOTH_SETTINGS
    lead_in_254,        // LMA_ and LMB_
};

// The families as bits of a set.
inline constexpr std::uint8_t family_a = 1;
inline constexpr std::uint8_t family_b = 2;
inline constexpr std::uint8_t family_c = 4;

struct tag_family {
    std::string_view name;  // in capitals, as the symbol table has it
    tag_group group;
    std::uint8_t families;  // the families whose modules take the bytes as the named command
};

// Every name, in the symbol table's order.
std::span<const tag_family> tag_families();

// A name in capitals; null for one the table does not hold.
const tag_family* find_tag_family(std::string_view capitals);

}  // namespace quillon
