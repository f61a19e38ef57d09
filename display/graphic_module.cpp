#include "display/graphic_module.h"

#include <algorithm>
#include <cstring>

#include "display/graphic_font.h"

namespace quillon::display {
namespace {

constexpr std::uint8_t escape_byte = 27;
constexpr std::uint8_t blank = 0x20;
constexpr int font_columns = 20;  // a font page holds 20x4 glyphs
constexpr int glyphs_per_page = font_columns * 4;
constexpr int layer_cell_width = 8;  // the 128x64's text cells
constexpr int layer_cell_height = 16;

bool printable(std::uint8_t code) { return code >= font_first_code && code <= font_last_code; }

// How many argument bytes an escape letter takes; 0 for letters the modules do not know.
int arguments_of(std::uint8_t letter) {
    switch (letter) {
        case 'L':
            return 4;
        case 'A':
        case 'P':
        case 'T':
            return 2;
        case 'B':
        case 'C':
        case 'D':  // 'G' then the picture, or anything else to drop
        case 'E':
        case 'F':
        case 'I':
        case 'M':
        case 'O':
        case 'R':
        case 'V':
        case 'W':
        case 'X':
        case 'Y':
        case 'Z':
            return 1;
        default:
            return 0;
    }
}

// A glyph drawn `wide` x `tall` times its size into the memory at `out`, from its bytes made
// ready for that size, its code into the text grid at `codes` and blanks into the other cells it
// covers. One function per size, so that the copies are of a fixed length: the emulation must
// keep up with bursts of random bytes.
template <int wide, int tall>
void stamp(std::uint8_t* out, std::uint8_t* codes, std::uint8_t code,
           const graphic_module::sized_glyph& glyph, std::uint8_t flip, int width, int columns) {
    for (int r = 0; r < tall; ++r) {
        for (int c = 0; c < wide; ++c) codes[r * columns + c] = blank;
    }
    codes[0] = code;
    constexpr int length = font_cell_width * wide;
    for (int r = 0; r < tall; ++r) {
        std::array<std::uint8_t, length> bytes;
        for (int x = 0; x < length; ++x) {
            bytes[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
                glyph[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)] ^ flip);
        }
        std::memcpy(out + r * width, bytes.data(), length);
    }
}

}  // namespace

graphic_module::graphic_module(profile p)
    : layered_(p == profile::graphic_layers),
      grid_columns_(layered_ ? 16 : 20),
      pages_(layered_ ? 16 : 17),
      memory_(layered_ ? 128 : 120, layered_ ? 64 : 32) {
    codes_.fill(blank);
    // Pages 0 and 1 hold the font: glyph g of a page in the cell at column g mod 20, row
    // g div 20 of a grid of 6x8 cells.
    const auto& font = default_font();
    for (int g = 0; g < font_glyphs; ++g) {
        const int on_page = g % glyphs_per_page;
        const int at =
            (on_page / font_columns) * memory_.width() + (on_page % font_columns) * font_cell_width;
        glyph_offsets_[static_cast<std::size_t>(g)] = static_cast<std::uint16_t>(at);
        const font_glyph& picture = font[static_cast<std::size_t>(g)];
        std::copy(picture.begin(), picture.end(),
                  store_[static_cast<std::size_t>(g / glyphs_per_page)].begin() + at);
    }
    size_glyphs();
}

// Every glyph of the font pages in every size, as its bytes go into memory.
void graphic_module::size_glyphs() {
    for (int g = 0; g < font_glyphs; ++g) {
        const std::uint8_t* picture = store_[g < glyphs_per_page ? 0 : 1].data() +
                                      glyph_offsets_[static_cast<std::size_t>(g)];
        for (int size = 0; size < 4; ++size) {
            const int wide = 1 + (size & 1);
            sized_glyph& out = sized_[static_cast<std::size_t>(size)][static_cast<std::size_t>(g)];
            for (int x = 0; x < font_cell_width; ++x) {
                const std::uint16_t doubled = doubled_bits[picture[x]];
                for (int copy = 0; copy < wide; ++copy) {
                    const auto at = static_cast<std::size_t>(x * wide + copy);
                    if (size < 2) {
                        out[0][at] = picture[x];
                    } else {
                        out[0][at] = static_cast<std::uint8_t>(doubled);
                        out[1][at] = static_cast<std::uint8_t>(doubled >> 8);
                    }
                }
            }
        }
    }
}

void graphic_module::feed(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t length = bytes.size();
    for (std::size_t i = 0; i < length; ++i) {
        if (state_ == state::download) {
            // The picture's bytes go to memory as they come, as many as this piece holds.
            const std::size_t take =
                std::min(length - i, static_cast<std::size_t>(memory_.size() - download_at_));
            std::memcpy(memory_.all().data() + download_at_, data + i, take);
            download_at_ += static_cast<int>(take);
            i += take - 1;
            if (download_at_ == memory_.size()) state_ = state::idle;
            after_return_ = false;
            continue;
        }
        const std::uint8_t byte = data[i];
        if (state_ == state::idle && byte >= 32) {  // text, the common case
            i = print_run(data, i, length) - 1;
            after_return_ = false;
            continue;
        }
        if (byte == 0 && state_ != state::arguments) continue;
        const bool after_return = after_return_;
        after_return_ = false;
        step(byte, after_return);
    }
}

void graphic_module::step(std::uint8_t byte, bool after_return) {
    switch (state_) {
        case state::idle:
            if (byte < 32) {
                control(byte, after_return);
            } else if (printable(byte)) {
                print(byte);
            }
            return;
        case state::position:
            if (byte >= '0' && byte <= '9') {
                number_ = byte - '0';
                state_ = state::position_digits;
            } else {
                if (byte >= 64) move_to((byte - 64) % cells());
                state_ = state::idle;
            }
            return;
        case state::position_digits:
            if (byte >= '0' && byte <= '9') {
                number_ = (number_ * 10 + (byte - '0')) % cells();
            } else {
                // The byte that ends the digits is dropped, whatever it is.
                move_to(number_ % cells());
                state_ = state::idle;
            }
            return;
        case state::align_width:
            state_ = state::idle;
            if (byte < '2' || byte > '9') {
                step(byte, after_return);  // no field: the byte is taken as it is
                return;
            }
            number_ = byte - '0';
            field_end_ = cursor_cell();
            field_length_ = 0;
            move_to((field_end_ - number_ % cells() + cells()) % cells());
            state_ = state::align_collect;
            return;
        case state::align_collect:
            if (byte < 32 || byte == '.') {
                finish_field();
                step(byte, after_return);  // the control, or the point after the field
            } else if (printable(byte)) {
                field_[static_cast<std::size_t>(field_length_++)] = byte;
                if (field_length_ == number_) finish_field();
            }
            return;
        case state::escape:
            begin_escape(byte);
            return;
        case state::arguments:
            arguments_[static_cast<std::size_t>(got_++)] = byte;
            if (letter_ == 'D') {
                if (byte == 'G') {
                    download_at_ = 0;
                    state_ = state::download;
                } else {
                    state_ = state::idle;
                }
            } else if (got_ == wanted_) {
                state_ = state::idle;
                run_escape();
            }
            return;
        case state::download:
            return;  // feed() copies the picture
    }
}

void graphic_module::control(std::uint8_t byte, bool after_return) {
    switch (byte) {
        case 1:
            move_to(0);
            return;
        case 2:
            inverse_ = true;
            return;
        case 3:
            inverse_ = false;
            return;
        case 4:
            cursor_shown_ = false;
            return;
        case 5:
        case 6:
            cursor_shown_ = layered_;
            return;
        case 8: {
            const int cell = (cursor_cell() + cells() - 1) % cells();
            put(cell, blank);
            move_to(cell);
            return;
        }
        case 9: {
            const int cell = cursor_cell();
            const int tab = (cell % columns() / 4 + 1) * 4;
            if (tab < columns()) {
                move_to(cell - cell % columns() + tab);
            } else {
                next_line(1, true);
            }
            return;
        }
        case 10:
            if (!after_return) next_line(1, false);
            return;
        case 11:
            next_line(-1, false);
            return;
        case 12:
            // Text and graphics share the 120x32's memory; the 128x64 keeps its graphics.
            if (!layered_) memory_.fill(0);
            clear_text();
            return;
        case 13:
            next_line(1, true);
            after_return_ = true;
            return;
        case 14:
            backlight_ = true;
            return;
        case 15:
            backlight_ = false;
            return;
        case 16:
            state_ = state::position;
            return;
        case 18:
            state_ = state::align_width;
            return;
        case escape_byte:
            state_ = state::escape;
            return;
        default:
            return;  // 7, 17, 19-26 and 28-31 do nothing
    }
}

void graphic_module::begin_escape(std::uint8_t letter) {
    letter_ = letter;
    wanted_ = arguments_of(letter);
    got_ = 0;
    state_ = wanted_ > 0 ? state::arguments : state::idle;
}

void graphic_module::run_escape() {
    const std::uint8_t n = arguments_[0];
    const int width = memory_.width();
    const int height = memory_.height();
    auto y_drawn = [&](int y) { return flip_ ? height - 1 - y : y; };
    switch (letter_) {
        case 'A':
            address_ = (arguments_[1] % (height / 8)) * width + n % width;
            return;
        case 'B':
            memory_.byte(address_) = n;
            address_ = (address_ + 1) % memory_.size();
            return;
        case 'C':
            memory_.fill(n);
            return;
        case 'E':
            std::copy_n(store_[static_cast<std::size_t>(n % pages_)].begin(), memory_.size(),
                        memory_.all().begin());
            return;
        case 'X':
            if (n % pages_ < 2 && font_protected_) return;
            std::copy_n(memory_.all().begin(), memory_.size(),
                        store_[static_cast<std::size_t>(n % pages_)].begin());
            if (n % pages_ < 2) size_glyphs();
            return;
        case 'F':
            if (layered_) return;
            wide_ = (n & 1) != 0 ? 2 : 1;
            tall_ = (n & 2) != 0 ? 2 : 1;
            return;
        case 'I':
            pen_.ink = (n & 1) != 0;
            return;
        case 'M':
            pen_.invert = (n & 1) != 0;
            return;
        case 'P':
            pen_x_ = n % width;
            pen_y_ = arguments_[1] % height;
            memory_.plot(pen_x_, y_drawn(pen_y_), pen_);
            return;
        case 'L':
        case 'T': {
            const bool from_pen = letter_ == 'T';
            const int x0 = from_pen ? pen_x_ : n % width;
            const int y0 = from_pen ? pen_y_ : arguments_[1] % height;
            pen_x_ = arguments_[from_pen ? 0 : 2] % width;
            pen_y_ = arguments_[from_pen ? 1 : 3] % height;
            memory_.line(x0, y_drawn(y0), pen_x_, y_drawn(pen_y_), pen_);
            return;
        }
        case 'O':
            if (layered_ && (n & 3) != 3) overlay_ = n & 3;
            return;
        case 'R':
            if (layered_) {
                reverse_graphics_ = (n & 1) != 0;
                reverse_text_ = (n & 2) != 0;
            } else {
                const int first = (n % lines()) * tall_ * width;
                for (int at = first; at < first + tall_ * width; ++at) {
                    memory_.byte(at) = static_cast<std::uint8_t>(~memory_.byte(at));
                }
            }
            return;
        case 'Y':
            if (!layered_) return;
            hide_graphics_ = (n & 1) != 0;
            hide_text_ = (n & 2) != 0;
            return;
        case 'Z':
            if (!layered_) return;
            if (n & 1) {
                memory_.fill(0);
                pen_ = pen{};
                reverse_graphics_ = false;
            }
            if (n & 2) {
                clear_text();
                inverse_ = false;
                reverse_text_ = false;
            }
            return;
        case 'V':
            flip_ = (n & 1) != 0;
            return;
        default:
            return;  // ESC W: the start-up configuration changes nothing that shows
    }
}

// The field's text ends in its last cell; the cells before it are blank; the cursor returns to
// where it was before the 18.
void graphic_module::finish_field() {
    const int start = (field_end_ - number_ % cells() + cells()) % cells();
    const int blanks = number_ - field_length_;
    for (int i = 0; i < number_; ++i) {
        put((start + i) % cells(),
            i < blanks ? blank : field_[static_cast<std::size_t>(i - blanks)]);
    }
    move_to(field_end_);
    state_ = state::idle;
}

// A tall size puts the cursor of an odd row on the row above, a wide one the cursor of an odd
// column on the next column.
int graphic_module::cursor_cell() const {
    return ((row_ / tall_) * columns() + (column_ + wide_ - 1) / wide_) % cells();
}

void graphic_module::move_to(int cell) {
    row_ = (cell / columns()) * tall_;
    column_ = (cell % columns()) * wide_;
}

void graphic_module::next_line(int direction, bool to_column_0) {
    row_ = ((row_ / tall_ + direction + lines()) % lines()) * tall_;
    if (to_column_0) column_ = 0;
}

// The next character's cell in small cells: a tall size takes the even row, a wide size the
// even column, and a glyph that would reach past the line starts the next one.
void graphic_module::print(std::uint8_t code) {
    int row = tall_ == 2 ? row_ & ~1 : row_;
    int column = wide_ == 2 ? (column_ + 1) & ~1 : column_;
    if (column >= grid_columns_) wrap(row, column);
    draw(row, column, code);
    column += wide_;
    if (column >= grid_columns_) wrap(row, column);
    row_ = row;
    column_ = column;
}

// A run of text bytes (32-255) from `from` up to the next control byte, in chunks: the
// printable ones gathered without a branch on each (random bytes would mispredict every other
// one), then printed. Each character replaces its whole cell and the cursor steps one cell, so
// after the first character (which aligns the cursor to the current size) the cells repeat
// every cells() characters: of a longer chunk only the last cells() are drawn, the cursor
// stepped over the others. Returns where the run ends.
std::size_t graphic_module::print_run(const std::uint8_t* data, std::size_t from,
                                      std::size_t length) {
    constexpr std::size_t chunk = 256;
    std::array<std::uint8_t, chunk> codes;
    std::size_t at = from;
    while (at < length && data[at] >= 32) {
        const std::size_t end = std::min(length, at + chunk);
        std::size_t count = 0;
        for (; at < end && data[at] >= 32; ++at) {
            codes[count] = data[at];
            count += printable(data[at]) ? 1 : 0;
        }
        std::size_t first = 0;
        if (count > static_cast<std::size_t>(cells()) + 1) {
            print(codes[0]);
            first = count - static_cast<std::size_t>(cells());
            move_to((cursor_cell() + static_cast<int>(first) - 1) % cells());
        }
        const std::uint8_t* text = codes.data() + first;
        const std::size_t printed = count - first;
        switch (layered_ ? 0 : wide_ + 2 * tall_) {
            case 0:
                print_all<1, 1, true>(text, printed);
                break;
            case 3:
                print_all<1, 1, false>(text, printed);
                break;
            case 4:
                print_all<2, 1, false>(text, printed);
                break;
            case 5:
                print_all<1, 2, false>(text, printed);
                break;
            default:
                print_all<2, 2, false>(text, printed);
                break;
        }
    }
    return at;
}

// print() for each of `count` codes, with the size, the cursor and the font in locals: what
// print() does, one code after the other.
template <int wide, int tall, bool layered>
void graphic_module::print_all(const std::uint8_t* text, std::size_t count) {
    int row = tall == 2 ? row_ & ~1 : row_;
    int column = wide == 2 ? (column_ + 1) & ~1 : column_;
    const int columns = grid_columns_;
    const int width = memory_.width();
    const std::uint8_t flip = inverse_ ? 0xFF : 0x00;
    const auto& sized = sized_[static_cast<std::size_t>((wide - 1) + 2 * (tall - 1))];
    for (std::size_t k = 0; k < count; ++k) {
        if (column >= columns) {
            column = 0;
            row += tall;
            if (row >= grid_rows) row = 0;
        }
        const std::uint8_t code = text[k];
        const auto cell = static_cast<std::size_t>(row * columns + column);
        if constexpr (layered) {
            codes_[cell] = code;
            cell_inverse_[cell] = inverse_;
        } else {
            stamp<wide, tall>(memory_.all().data() + row * width + column * font_cell_width,
                              codes_.data() + cell, code,
                              sized[static_cast<std::size_t>(code - font_first_code)], flip, width,
                              columns);
        }
        column += wide;
    }
    if (column >= columns) wrap(row, column);
    row_ = row;
    column_ = column;
}

void graphic_module::wrap(int& row, int& column) const {
    column = 0;
    row += tall_;
    if (row >= grid_rows) row = 0;
}

void graphic_module::put(int cell, std::uint8_t code) {
    draw((cell / columns()) * tall_, (cell % columns()) * wide_, code);
}

void graphic_module::draw(int row, int column, std::uint8_t code) {
    const int columns = grid_columns_;
    if (layered_) {
        const auto cell = static_cast<std::size_t>(row * columns + column);
        codes_[cell] = code;
        cell_inverse_[cell] = inverse_;
        return;
    }
    // The 120x32 reads its glyphs from the font pages of the picture store, made ready per size.
    const auto glyph = static_cast<std::size_t>(code - font_first_code);
    const std::uint8_t flip = inverse_ ? 0xFF : 0x00;
    const int width = memory_.width();
    std::uint8_t* out = memory_.all().data() + row * width + column * font_cell_width;
    std::uint8_t* codes = codes_.data() + row * columns + column;
    const auto& sized = sized_[static_cast<std::size_t>((wide_ - 1) + 2 * (tall_ - 1))];
    const sized_glyph& picture = sized[glyph];
    switch (wide_ + 2 * tall_) {
        case 3:
            stamp<1, 1>(out, codes, code, picture, flip, width, columns);
            return;
        case 4:
            stamp<2, 1>(out, codes, code, picture, flip, width, columns);
            return;
        case 5:
            stamp<1, 2>(out, codes, code, picture, flip, width, columns);
            return;
        default:
            stamp<2, 2>(out, codes, code, picture, flip, width, columns);
            return;
    }
}

void graphic_module::clear_text() {
    codes_.fill(blank);
    cell_inverse_.fill(false);
    row_ = 0;
    column_ = 0;
}

// The 128x64's text layer as pixels: each 6x8 glyph at columns 1-6 of its 8x16 cell with every
// row drawn twice, then the cell's inverse flag, the cursor's underline and the layer's reverse.
void graphic_module::draw_text_layer(screen& into) const {
    const auto& font = default_font();
    const int width = memory_.width();
    for (int cell = 0; cell < grid_columns_ * grid_rows; ++cell) {
        const std::uint8_t code = codes_[static_cast<std::size_t>(cell)];
        const font_glyph& picture = font[static_cast<std::size_t>(code - font_first_code)];
        const int left = (cell % grid_columns_) * layer_cell_width;
        const int top = (cell / grid_columns_) * layer_cell_height;
        const bool inverse = cell_inverse_[static_cast<std::size_t>(cell)];
        const bool underlined = cursor_shown_ && cell == cursor_cell();
        for (int y = 0; y < layer_cell_height; ++y) {
            std::uint8_t* out = into.pixels.data() + (top + y) * width + left;
            for (int x = 0; x < layer_cell_width; ++x) {
                bool dot = x >= 1 && x <= font_cell_width &&
                           ((picture[static_cast<std::size_t>(x - 1)] >> (y / 2)) & 1U) != 0;
                dot = dot != inverse;
                if (underlined && y == layer_cell_height - 1) dot = true;
                out[x] = (dot != reverse_text_) ? 1 : 0;
            }
        }
    }
}

void graphic_module::view(screen& into) const {
    into.size = {grid_columns_, grid_rows};
    into.display_on = true;
    into.codes.assign(codes_.begin(), codes_.begin() + grid_columns_ * grid_rows);
    const int cell = cursor_cell();
    into.cursor_row = layered_ ? cell / grid_columns_ : row_;
    into.cursor_column = layered_ ? cell % grid_columns_ : column_;
    into.underline_cursor = cursor_shown_;
    into.blinking_cursor = false;
    into.custom = {};
    into.first_custom_code = 0;
    into.custom_codes = 0;
    into.character_rom = rom::a00;
    into.backlight = backlight_;
    into.brightness = 4;
    into.bells = 0;

    const int width = memory_.width();
    const int height = memory_.height();
    into.pixel_width = width;
    into.pixel_height = height;
    into.pixels.resize(static_cast<std::size_t>(width * height));
    const bool graphics_shown = !layered_ || !hide_graphics_;
    const bool text_shown = layered_ && !hide_text_;
    if (text_shown) draw_text_layer(into);
    const bool reverse = layered_ && reverse_graphics_;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = into.pixels.data() + y * width;
        const std::uint8_t* stripe = memory_.all().data() + (y / 8) * width;
        for (int x = 0; x < width; ++x) {
            const bool graphic = (((stripe[x] >> (y % 8)) & 1U) != 0) != reverse;
            if (!graphics_shown) {
                if (!text_shown) out[x] = 0;
                continue;  // the text layer alone, as drawn
            }
            if (!text_shown) {
                out[x] = graphic ? 1 : 0;
                continue;
            }
            const bool text = out[x] != 0;
            const bool shown = overlay_ == 0   ? (text || graphic)
                               : overlay_ == 1 ? (text != graphic)
                                               : (text && graphic);
            out[x] = shown ? 1 : 0;
        }
    }
}

}  // namespace quillon::display
