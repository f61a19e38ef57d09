#include "screens/cell_text.h"

#include "display/rom_text.h"
#include "translate/translate.h"

namespace quillon::screens {
namespace {

// A run without control bytes, in codes. The graphic profiles take A02's reading: its ASCII is
// ASCII, and the codes it gives beyond ASCII are no text there, so they become "?".
void append_run(const display_kind& kind, std::string_view run, std::string& out) {
    if (run.empty()) return;
    const display::rom table = display::facts(kind.profile).graphic ? display::rom::a02 : kind.rom;
    for (const char c : display::to_rom_codes(run, table).bytes) {
        out += text_code(kind.profile, static_cast<std::uint8_t>(c)) ? c : '?';
    }
}

std::string cells_of(const display_kind& kind, std::string_view bytes, bool keep_breaks) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 32) continue;
        append_run(kind, bytes.substr(start, i - start), out);
        start = i + 1;
        if (i == bytes.size() || !keep_breaks) continue;
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            out += line_break;
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') start = ++i + 1;
        }
    }
    return out;
}

}  // namespace

std::string typed_cells(const display_kind& kind, std::string_view typed, bool keep_breaks) {
    return cells_of(kind, TRANSLATE_TEXT(typed), keep_breaks);
}

std::string value_cells(const display_kind& kind, std::string_view text) {
    return cells_of(kind, text, false);
}

}  // namespace quillon::screens
