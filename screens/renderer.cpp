#include "screens/renderer.h"

#include <algorithm>
#include <initializer_list>

#include "display/big_characters.h"
#include "display/controller.h"
#include "display/geometry.h"

namespace quillon::screens {
namespace {

using display::family;
using display::profile;

// Family A and B's one-byte controls (module-families.md).
constexpr int home = 1;
constexpr int big_begin = 2;
constexpr int big_end = 3;
constexpr int no_cursor = 4;
constexpr int clear = 12;
constexpr int carriage_return = 13;
constexpr int light_on = 14;
constexpr int light_off = 15;
constexpr int position = 16;
constexpr int escape = 27;
constexpr int one_byte_position = 64;  // POSITION's one-byte form: the position plus 64

// HD44780 instructions, each after the byte 254.
constexpr int instruction = display::instruction_prefix;
constexpr int clear_display = 0x01;
constexpr int entry_increment = 0x06;  // the address counts up, the display does not shift
constexpr int display_control = 0x08;  // with 0x04 the display is on; cursor and blink off
constexpr int display_on = 0x04;
constexpr int set_character_address = 0x40;
constexpr int set_display_address = 0x80;

constexpr int move_bytes = 2;  // every profile's position command

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) s += static_cast<char>(v);
    return s;
}

family family_of(profile p) { return display::facts(p).bytes; }

display::glyph masked(const display::glyph& g) {
    display::glyph out{};
    for (std::size_t r = 0; r < g.size(); ++r) out[r] = g[r] & 0x1F;
    return out;
}

}  // namespace

renderer::renderer(const display_kind& kind)
    : kind_(kind),
      grid_(text_grid(kind)),
      twin_(display::make_module(kind.profile, kind.size, kind.rom)) {
    twin_->view(view_);
    const int cells = grid_.columns * grid_.rows;
    place_of_.resize(static_cast<std::size_t>(cells));
    if (kind.profile == profile::hd44780) {
        // Two memory lines of 40 places; the counter runs from the end of each to the other.
        cell_at_.assign(2 * display::line_length, -1);
        for (int r = 0; r < grid_.rows; ++r) {
            for (int c = 0; c < grid_.columns; ++c) {
                const int address = display::row_address(grid_, r) + c;
                const int place =
                    (address & 0x40) != 0 ? display::line_length + (address & 0x3F) : address;
                cell_at_[static_cast<std::size_t>(place)] = r * grid_.columns + c;
                place_of_[static_cast<std::size_t>(r * grid_.columns + c)] = place;
            }
        }
    } else {
        cell_at_.resize(static_cast<std::size_t>(cells));
        for (int cell = 0; cell < cells; ++cell) {
            cell_at_[static_cast<std::size_t>(cell)] = cell;
            place_of_[static_cast<std::size_t>(cell)] = cell;
        }
    }
}

void renderer::emit(std::string& out, std::string_view piece) {
    if (piece.empty()) return;
    twin_->feed(piece);
    twin_->view(view_);
    out += piece;
}

void renderer::foreign(std::string_view piece) {
    twin_->feed(piece);
    twin_->view(view_);
    known_ = false;
}

std::string renderer::move_to(int cell) const {
    if (kind_.profile == profile::hd44780) {
        const int row = cell / grid_.columns;
        const int address = display::row_address(grid_, row) + cell % grid_.columns;
        return bytes({instruction, set_display_address | address});
    }
    return bytes({position, one_byte_position + cell});
}

// Bytes that end whatever a cut-off write left under way, then the clear. The HD44780 module
// may wait for an instruction after a lone 254: a 0 is then no instruction, and otherwise one
// character that the clear wipes. Family A: up to 9 argument bytes of an escape (ESC D n and 8
// rows) take a 0 each, and 0 is dropped everywhere else; then HOME ends a POSITION under way
// (its byte 1 abandons it) or a right-aligned field, and is harmless otherwise. Family B the
// same with 4 arguments at most; its picture download (ESC D G) cannot be ended short of its
// 480 or 1024 bytes. Then each profile's own reset of what the screens rely on: the HD44780's
// entry mode; family B's inverse text and (120x32) font size, or (128x64) the layers: ESC Z 3
// clears both and ends the reverses, ESC Y 0 shows both, ESC O 0 combines them with OR.
void renderer::restart(std::string& out) {
    switch (family_of(kind_.profile)) {
        case family::c:
            emit(out, bytes({0, instruction, clear_display, instruction, entry_increment}));
            break;
        case family::a:
            emit(out, std::string(9, '\0') + bytes({home, clear, no_cursor}));
            break;
        case family::b:
            if (kind_.profile == profile::graphic) {
                emit(out, std::string(4, '\0') +
                              bytes({home, big_end, escape, 'F', 0, clear, no_cursor}));
            } else {
                emit(out, std::string(4, '\0') + bytes({home, escape, 'Z', 3, escape, 'Y', 0,
                                                        escape, 'O', 0, no_cursor}));
            }
            break;
    }
    known_ = true;
    glyph_known_.fill(false);
    light_known_ = false;
}

void renderer::load_glyphs(std::string& out, const frame& wanted) {
    if (!has_user_characters(kind_.profile)) return;
    std::array<bool, 8> stale{};
    int count = 0;
    for (std::size_t n = 0; n < 8; ++n) {
        stale[n] =
            wanted.glyphs[n] && (!glyph_known_[n] || view_.custom[n] != masked(*wanted.glyphs[n]));
        count += stale[n] ? 1 : 0;
        glyph_known_[n] = glyph_known_[n] || stale[n];
    }
    if (count == 0) return;
    std::string piece;
    if (kind_.profile == profile::hd44780) {
        // Character memory's address counts on from one character to the next.
        for (std::size_t n = 0; n < 8; ++n) {
            if (!stale[n]) continue;
            if (n == 0 || !stale[n - 1]) {
                piece += bytes({instruction, set_character_address | static_cast<int>(n * 8)});
            }
            for (const std::uint8_t row : masked(*wanted.glyphs[n]))
                piece += static_cast<char>(row);
        }
        emit(out, piece);
        return;
    }
    // Family A: ESC E puts back the module's segment shapes (on the VFD with an odd byte), which
    // costs 3 bytes against 11 for each character ESC D defines.
    const auto& segments = display::segment_glyphs();
    int after_restore = 0;
    for (std::size_t n = 0; n < 8; ++n) {
        after_restore += wanted.glyphs[n] && masked(*wanted.glyphs[n]) != segments[n] ? 1 : 0;
    }
    constexpr int define_bytes = 11;
    constexpr int restore_bytes = 3;
    const bool restore = restore_bytes + after_restore * define_bytes < count * define_bytes;
    if (restore) {
        piece += bytes({escape, 'E', '1'});
        glyph_known_.fill(true);
    }
    for (std::size_t n = 0; n < 8; ++n) {
        if (!wanted.glyphs[n]) continue;
        const display::glyph dots = masked(*wanted.glyphs[n]);
        if (restore ? dots == segments[n] : !stale[n]) continue;
        piece += bytes({escape, 'D', static_cast<int>(n)});
        for (const std::uint8_t row : dots) piece += static_cast<char>(row);
    }
    emit(out, piece);
}

void renderer::set_light(std::string& out, const frame& wanted) {
    const bool cursor = view_.underline_cursor || view_.blinking_cursor;
    const bool light = light_known_ && lit(kind_.profile, view_) == wanted.backlight;
    light_known_ = true;
    if (kind_.profile == profile::hd44780) {
        // One instruction sets the display on or off and the cursor off.
        if (!light || cursor) {
            emit(out, bytes({instruction, display_control | (wanted.backlight ? display_on : 0)}));
        }
        return;
    }
    if (!light) emit(out, bytes({wanted.backlight ? light_on : light_off}));
    if (cursor) emit(out, bytes({no_cursor}));
}

void renderer::draw_big(std::string& out, const frame& wanted) {
    if (wanted.big.empty()) return;
    auto stale = [&](const big_symbol_at& b) {
        const int width = display::find_big_symbol(b.symbol)->width;
        const int last = std::min(b.column + width, grid_.columns - 1);
        for (int r = 0; r < grid_.rows; ++r) {
            for (int c = b.column; c <= last; ++c) {
                const auto cell = static_cast<std::size_t>(r * grid_.columns + c);
                if (view_.codes[cell] != wanted.codes[cell]) return true;
            }
        }
        return false;
    };
    // A run of symbols costs 4 bytes besides its symbols (POSITION, BIG_BEGIN, BIG_END), so up
    // to 4 clean symbols between two stale ones are redrawn rather than starting a new run.
    constexpr std::size_t run_bytes = 4;
    std::string piece;
    std::size_t i = 0;
    while (i < wanted.big.size()) {
        if (!stale(wanted.big[i])) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;  // one past the last stale symbol of the run
        for (std::size_t next = end; next < wanted.big.size() && next - end <= run_bytes; ++next) {
            if (stale(wanted.big[next])) end = next + 1;
        }
        piece += wanted.big[i].column == 0 ? bytes({home}) : move_to(wanted.big[i].column);
        piece += static_cast<char>(big_begin);
        for (std::size_t s = i; s < end; ++s) piece += static_cast<char>(wanted.big[s].symbol);
        piece += static_cast<char>(big_end);
        i = end;
    }
    emit(out, piece);
}

void renderer::draw_cells(std::string& out, const frame& wanted) {
    const auto places = static_cast<int>(cell_at_.size());
    std::vector<int> changed;  // places
    for (std::size_t cell = 0; cell < wanted.codes.size(); ++cell) {
        if (view_.codes[cell] != wanted.codes[cell]) changed.push_back(place_of_[cell]);
    }
    if (changed.empty()) return;
    std::sort(changed.begin(), changed.end());
    int at = -1;  // the cursor's place; -1 when not on the glass (or in character memory)
    if (view_.cursor_row >= 0 && view_.cursor_row < grid_.rows && view_.cursor_column >= 0 &&
        view_.cursor_column < grid_.columns) {
        at = place_of_[static_cast<std::size_t>(view_.cursor_row * grid_.columns +
                                                view_.cursor_column)];
    }
    // From the cursor on, round the memory.
    if (at >= 0) {
        std::rotate(changed.begin(), std::lower_bound(changed.begin(), changed.end(), at),
                    changed.end());
    }
    const bool short_moves = family_of(kind_.profile) != family::c;
    std::string piece;
    for (const int place : changed) {
        const int cell = cell_at_[static_cast<std::size_t>(place)];
        const int row = cell / grid_.columns;
        int move = move_bytes;
        std::string moved = move_to(cell);
        if (short_moves && cell == 0) {
            move = 1;
            moved = bytes({home});
        } else if (short_moves && at >= 0 && cell % grid_.columns == 0 &&
                   row ==
                       (cell_at_[static_cast<std::size_t>(at)] / grid_.columns + 1) % grid_.rows) {
            move = 1;
            moved = bytes({carriage_return});
        }
        bool walk = false;
        const int steps = at < 0 ? places : (place - at + places) % places;
        if (steps < move) {
            walk = true;
            for (int p = at; p != place; p = (p + 1) % places) {
                walk = walk && cell_at_[static_cast<std::size_t>(p)] >= 0;
            }
        }
        if (walk) {
            for (int p = at; p != place; p = (p + 1) % places) {
                piece += static_cast<char>(
                    wanted.codes[static_cast<std::size_t>(cell_at_[static_cast<std::size_t>(p)])]);
            }
        } else {
            piece += moved;
        }
        piece += static_cast<char>(wanted.codes[static_cast<std::size_t>(cell)]);
        at = (place + 1) % places;
        if (cell_at_[static_cast<std::size_t>(at)] < 0) at = -1;
    }
    emit(out, piece);
}

std::string renderer::render(const frame& wanted) {
    std::string out;
    if (wanted.grid != grid_ || wanted.codes.size() != view_.codes.size()) return out;
    if (!known_) restart(out);
    load_glyphs(out, wanted);
    set_light(out, wanted);
    draw_big(out, wanted);
    draw_cells(out, wanted);
    return out;
}

}  // namespace quillon::screens
