#include "display/rom_sheet.h"

#include <cstdint>

#include "charset/rom_text.h"
#include "display/glyphs.h"

namespace quillon::display {

std::string rom_sheet(rom table) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string sheet;
    for (unsigned code = 0x10; code <= 0xFF; ++code) {
        const auto at = static_cast<std::uint8_t>(code);
        sheet += {'0', 'x', digits[code >> 4], digits[code & 0xF], ' '};
        const std::vector<char32_t> characters = charset::characters_of_code(at, table);
        for (std::size_t i = 0; i < characters.size(); ++i) {
            sheet += (i == 0 ? "" : "+") + charset::code_point_name(characters[i]);
        }
        if (characters.empty()) sheet += '-';
        for (const std::uint8_t row : rom_glyph(at, table).value_or(glyph{})) {
            sheet += ' ';
            for (unsigned dot = 0x10; dot != 0; dot >>= 1) sheet += (row & dot) ? '#' : '.';
        }
        sheet += '\n';
    }
    return sheet;
}

}  // namespace quillon::display
