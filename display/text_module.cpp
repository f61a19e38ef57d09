#include "display/text_module.h"

#include <algorithm>

#include "display/big_characters.h"

namespace quillon::display {
namespace {

constexpr std::uint8_t blank = 0x20;
constexpr std::uint8_t first_custom = 128;

// The bytes the module acts on (the names of the tag table).
enum : std::uint8_t {
    home = 1,
    big_begin = 2,
    big_end = 3,
    no_cursor = 4,
    underline_cursor = 5,
    block_cursor = 6,
    bell = 7,
    backspace = 8,
    tab = 9,
    linefeed = 10,
    vertical_tab = 11,
    clear_screen = 12,
    carriage_return = 13,
    light_on = 14,
    light_off = 15,
    position = 16,
    clear_column = 17,
    right_align = 18,
    escape = 27,
};

bool is_digit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

}  // namespace

text_module::text_module(display_size size, bool vfd, rom character_rom)
    : size_(size),
      cells_count_(size.columns * size.rows),
      vfd_(vfd),
      rom_(character_rom),
      custom_(segment_glyphs()) {
    cells_.fill(blank);
    start_screen_.fill(blank);
    for (int cell = 0; cell < cells_count_; ++cell) {
        row_of_[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(cell / size.columns);
        column_of_[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(cell % size.columns);
    }
}

void text_module::feed(std::string_view bytes) {
    const auto* next = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = next + bytes.size();
    while (next != end) {
        if (state_ == parser::idle && !big_ && *next >= 32) {
            // A run of text with nothing under way, most of what a module gets: printed with
            // the cursor in a local, which the stores into the cells cannot alias.
            int cursor = cursor_;
            const int cells_count = cells_count_;
            do {
                cells_[static_cast<std::size_t>(cursor)] = *next++;
                if (++cursor == cells_count) cursor = 0;
            } while (next != end && *next >= 32);
            cursor_ = cursor;
            after_return_ = false;
            continue;
        }
        step(*next++);
    }
}

void text_module::step(std::uint8_t byte) {
    if (byte == 0 && state_ != parser::escape_arguments) return;
    // Only a 13 that acts as RETURN makes a following 10 void; any other byte ends that.
    const bool after_return = after_return_;
    after_return_ = false;

    switch (state_) {
        case parser::idle:
            act(byte, after_return);
            return;
        case parser::position:
            if (is_digit(byte)) {
                number_ = byte - '0';
                state_ = parser::position_digits;
                return;
            }
            if (byte >= 64) cursor_ = (byte - 64) % cells_count_;
            state_ = parser::idle;  // 1-47 and 58-63 abandon the 16
            return;
        case parser::position_digits:
            if (is_digit(byte)) {
                number_ = (number_ * 10 + byte - '0') % cells_count_;
                return;
            }
            cursor_ = number_;  // the terminator is discarded, whatever it is
            state_ = parser::idle;
            return;
        case parser::align_width:
            state_ = parser::idle;
            if (byte >= '2' && byte <= '9') {
                field_width_ = byte - '0';
                field_end_ = cursor_;
                field_length_ = 0;
                cursor_ = (cursor_ - field_width_ + cells_count_) % cells_count_;
                state_ = parser::align_collect;
                return;
            }
            act(byte, after_return);
            return;
        case parser::align_collect:
            if (byte >= 32 && byte != '.') {
                field_[static_cast<std::size_t>(field_length_++)] = byte;
                if (field_length_ == field_width_) close_field();
                return;
            }
            close_field();
            act(byte, after_return);
            return;
        case parser::escape:
            start_escape(byte);
            return;
        case parser::escape_arguments:
            arguments_[static_cast<std::size_t>(arguments_had_++)] = byte;
            if (arguments_had_ == arguments_wanted_) {
                state_ = parser::idle;
                run_escape();
            }
            return;
    }
}

void text_module::act(std::uint8_t byte, bool after_return) {
    if (big_) {
        if (find_big_symbol(byte) != nullptr) {
            draw_big(byte);
            return;
        }
        // Any other byte ends big mode and is then handled as usual; 3 does nothing more.
        big_ = false;
        if (byte == big_end) return;
    }
    if (byte >= 32) {
        print(byte);
    } else {
        control(byte, after_return);
    }
}

void text_module::control(std::uint8_t byte, bool after_return) {
    const int rows = size_.rows;
    switch (byte) {
        case home:
            cursor_ = 0;
            return;
        case big_begin:
            big_ = rows == big_rows;
            return;
        case no_cursor:
            style_ = cursor_style::hidden;
            return;
        case underline_cursor:
            if (!vfd_) style_ = cursor_style::underline;
            return;
        case block_cursor:
            style_ = cursor_style::block;
            return;
        case bell:
            ++bells_;
            return;
        case backspace:
            cursor_ = (cursor_ == 0 ? cells_count_ : cursor_) - 1;
            cells_[static_cast<std::size_t>(cursor_)] = blank;
            return;
        case tab: {
            const int next = (column() / 4 + 1) * 4;
            if (next < size_.columns) {
                move_to(row(), next);
            } else {
                move_to(row_below(), 0);
            }
            return;
        }
        case linefeed:
            if (!after_return) move_to(row_below(), column());
            return;
        case vertical_tab:
            move_to((row() == 0 ? rows : row()) - 1, column());
            return;
        case clear_screen:
            std::fill_n(cells_.begin(), cells_count_, blank);
            cursor_ = 0;
            return;
        case carriage_return:
            move_to(row_below(), 0);
            after_return_ = true;
            return;
        case light_on:
        case light_off:
            (vfd_ ? display_on_ : backlight_) = byte == light_on;
            return;
        case position:
            state_ = parser::position;
            return;
        case clear_column:
            for (int r = 0; r < rows; ++r) {
                cells_[static_cast<std::size_t>(r * size_.columns + column())] = blank;
            }
            if (++cursor_ == cells_count_) cursor_ = 0;
            return;
        case right_align:
            state_ = parser::align_width;
            return;
        case escape:
            state_ = parser::escape;
            return;
        default:  // 3 outside big mode, 19-26, 28-31
            return;
    }
}

void text_module::print(std::uint8_t code) {
    cells_[static_cast<std::size_t>(cursor_)] = code;
    if (++cursor_ == cells_count_) cursor_ = 0;
}

void text_module::draw_big(std::uint8_t code) {
    const big_symbol& symbol = *find_big_symbol(code);
    int left = column();
    if (left + symbol.width > size_.columns) left = 0;
    // Every row, whichever the cursor is on; the column after the symbol is blanked too, so a
    // symbol drawn over text stands clear of it.
    for (int r = 0; r < big_rows; ++r) {
        std::uint8_t* line = cells_.data() + r * size_.columns;
        std::copy_n(symbol.cells[static_cast<std::size_t>(r)].begin(), symbol.width, line + left);
        if (left + symbol.width < size_.columns) line[left + symbol.width] = blank;
    }
    const int next = left + symbol.width + 1;
    move_to(0, next < size_.columns ? next : 0);
}

void text_module::start_escape(std::uint8_t command) {
    escape_ = command;
    switch (command) {
        case 'D':  // user character number, then its 8 dot rows
            arguments_wanted_ = 9;
            break;
        case 'E':
        case 'X':
            arguments_wanted_ = 1;
            break;
        case 'W':  // start-up configuration
            arguments_wanted_ = 8;
            break;
        case '=':  // bar graph
            arguments_wanted_ = 3;
            break;
        case '0':
        case '1':
        case '2':
        case '3':
            brightness_ = command - '0' + 1;
            state_ = parser::idle;
            return;
        default:
            state_ = parser::idle;
            return;
    }
    arguments_had_ = 0;
    state_ = parser::escape_arguments;
}

void text_module::run_escape() {
    switch (escape_) {
        case 'D': {
            glyph& dots = custom_[arguments_[0] & 7];
            for (std::size_t r = 0; r < dots.size(); ++r) dots[r] = arguments_[r + 1] & 0x1F;
            return;
        }
        case 'E':
            if (!vfd_ || (arguments_[0] & 1) != 0) {
                custom_ = segment_glyphs();
            } else {
                cells_ = start_screen_;
                cursor_ = 0;
            }
            return;
        case 'X':
            if (vfd_) start_screen_ = cells_;
            return;
        default:
            return;
    }
}

// The text goes to the end of the field; the cells before it inside the field become blank.
void text_module::close_field() {
    const int start = (field_end_ - field_width_ + cells_count_) % cells_count_;
    const int pad = field_width_ - field_length_;
    for (int i = 0; i < field_width_; ++i) {
        cells_[static_cast<std::size_t>((start + i) % cells_count_)] =
            i < pad ? blank : field_[static_cast<std::size_t>(i - pad)];
    }
    cursor_ = field_end_;
    state_ = parser::idle;
}

void text_module::view(screen& s) const {
    s.size = size_;
    s.display_on = !vfd_ || display_on_;
    s.codes.assign(cells_.begin(), cells_.begin() + cells_count_);
    s.cursor_row = row();
    s.cursor_column = column();
    s.underline_cursor = style_ == cursor_style::underline;
    s.blinking_cursor = style_ == cursor_style::block;
    s.custom = custom_;
    s.first_custom_code = first_custom;
    s.custom_codes = 8;
    s.character_rom = rom_;
    // A VFD has no backlight: its glass glows while the display is on.
    s.backlight = vfd_ || backlight_;
    s.brightness = brightness_;
    s.bells = bells_;
    s.pixel_width = 0;
    s.pixel_height = 0;
    s.pixels.clear();
}

}  // namespace quillon::display
