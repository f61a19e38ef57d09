#include "screens/cell_text.h"

#include "translate/text_to_bytes.h"

namespace quillon::screens {
namespace {

// Text to the module's codes through the one text-to-bytes step: the charset, then the tags for
// typed text. The graphic profiles take A02's reading: its ASCII is ASCII, and the codes it gives
// beyond ASCII are no text there, so they become "?" (below).
std::string codes_of(const display_kind& kind, std::string_view text, bool tags) {
    const charset::rom table = display::facts(kind.profile).graphic ? charset::rom::a02 : kind.rom;
    text_notes unused;
    return bytes_of_text(text, {table, tags, false}, unused);
}

// A run without control bytes: each code the profile may put in a cell, or "?".
void append_run(const display_kind& kind, std::string_view run, std::string& out) {
    for (const char c : run) {
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
    return cells_of(kind, codes_of(kind, typed, true), keep_breaks);
}

std::string value_cells(const display_kind& kind, std::string_view text) {
    return cells_of(kind, codes_of(kind, text, false), false);
}

}  // namespace quillon::screens
