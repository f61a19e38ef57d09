#include "display/controller.h"

#include <algorithm>
#include <cstring>

namespace quillon::display {
namespace {

constexpr std::uint8_t blank = 0x20;
constexpr std::uint8_t second_line = 0x40;
constexpr std::uint8_t last_of_first_line = 0x27;
constexpr std::uint8_t last_of_second_line = 0x67;

// Where a display-memory address is stored; -1 for the addresses between and after the two
// lines (0x28-0x3F, 0x68-0x7F), which have no memory behind them.
int ddram_index(std::uint8_t address) {
    const int column = address & 0x3F;
    if (column >= line_length) return -1;
    return ((address & second_line) != 0 ? line_length : 0) + column;
}

}  // namespace

std::string screen::row(int r) const {
    const auto begin = codes.begin() + static_cast<std::ptrdiff_t>(r * size.columns);
    return {begin, begin + size.columns};
}

controller::controller(display_size size) : size_(size) { ddram_.fill(blank); }

// In two-line mode the counter runs from the end of the first line to the start of the second
// and from the end of the second back to the start of the first, in both directions.
void controller::step_address(bool forward) {
    if (cgram_mode_) {
        address_ = static_cast<std::uint8_t>((address_ + (forward ? 1 : -1)) & 0x3F);
        return;
    }
    if (forward) {
        if (address_ == last_of_first_line) {
            address_ = second_line;
        } else if (address_ == last_of_second_line) {
            address_ = 0x00;
        } else {
            address_ = static_cast<std::uint8_t>((address_ + 1) & 0x7F);
        }
    } else {
        if (address_ == second_line) {
            address_ = last_of_first_line;
        } else if (address_ == 0x00) {
            address_ = last_of_second_line;
        } else {
            address_ = static_cast<std::uint8_t>((address_ - 1) & 0x7F);
        }
    }
}

// A shift to the left shows later characters of each line: the window's start moves forward.
void controller::shift_display(bool left) {
    shift_ = (shift_ + (left ? 1 : line_length - 1)) % line_length;
}

void controller::instruction(std::uint8_t command) {
    if (command & 0x80) {  // set display-memory address
        address_ = command & 0x7F;
        cgram_mode_ = false;
    } else if (command & 0x40) {  // set character-generator address
        address_ = command & 0x3F;
        cgram_mode_ = true;
    } else if (command & 0x20) {
        // Function set: interface width, line count and font. The module fixed these at its
        // start-up for its glass, so they are taken and change nothing.
    } else if (command & 0x10) {  // cursor or display shift: S/C bit 3, R/L bit 2
        const bool right = (command & 0x04) != 0;
        if (command & 0x08) {
            shift_display(!right);
        } else {
            step_address(right);
        }
    } else if (command & 0x08) {  // display on/off: D bit 2, cursor bit 1, blink bit 0
        display_on_ = (command & 0x04) != 0;
        cursor_ = (command & 0x02) != 0;
        blink_ = (command & 0x01) != 0;
    } else if (command & 0x04) {  // entry mode: I/D bit 1, S bit 0
        increment_ = (command & 0x02) != 0;
        shift_on_write_ = (command & 0x01) != 0;
    } else if (command & 0x02) {  // return home: the memory stays as it is
        address_ = 0;
        cgram_mode_ = false;
        shift_ = 0;
    } else if (command & 0x01) {  // clear display; the entry mode's shift flag stays
        ddram_.fill(blank);
        address_ = 0;
        cgram_mode_ = false;
        increment_ = true;
        shift_ = 0;
    }
    // 0x00 is no instruction.
}

void controller::write(std::string_view characters) {
    for (const char c : characters) {
        const auto code = static_cast<std::uint8_t>(c);
        if (cgram_mode_) {
            // Writing character-generator memory never shifts the display.
            cgram_[address_] = code & 0x1F;
            step_address(increment_);
            continue;
        }
        if (const int index = ddram_index(address_); index >= 0) ddram_[index] = code;
        step_address(increment_);
        if (shift_on_write_) shift_display(increment_);
    }
}

screen controller::view() const {
    screen s;
    view(s);
    return s;
}

void controller::view(screen& s) const {
    s.size = size_;
    s.display_on = display_on_;
    s.first_custom_code = 0;
    s.custom_codes = 16;
    s.backlight = true;
    s.brightness = 4;
    s.bells = 0;
    s.pixel_width = 0;
    s.pixel_height = 0;
    s.pixels.clear();
    s.underline_cursor = cursor_;
    s.blinking_cursor = blink_;
    s.codes.resize(static_cast<std::size_t>(size_.rows * size_.columns));
    s.cursor_row = -1;
    s.cursor_column = -1;
    const int cursor_index = cgram_mode_ ? -1 : ddram_index(address_);
    for (int r = 0; r < size_.rows; ++r) {
        const int start = row_address(size_, r);
        const int line = (start & second_line) != 0 ? line_length : 0;
        const int offset = start & 0x3F;
        for (int c = 0; c < size_.columns; ++c) {
            const int index = line + (offset + c + shift_) % line_length;
            s.codes[static_cast<std::size_t>(r * size_.columns + c)] = ddram_[index];
            if (index == cursor_index) {
                s.cursor_row = r;
                s.cursor_column = c;
            }
        }
    }
    for (std::size_t n = 0; n < s.custom.size(); ++n) {
        std::memcpy(s.custom[n].data(), cgram_.data() + n * 8, 8);
    }
}

void serial_module::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        if (instruction_next_) {
            chip_.instruction(static_cast<std::uint8_t>(bytes.front()));
            bytes.remove_prefix(1);
            instruction_next_ = false;
            continue;
        }
        const auto prefix = bytes.find(static_cast<char>(instruction_prefix));
        chip_.write(bytes.substr(0, prefix));
        if (prefix == std::string_view::npos) return;
        instruction_next_ = true;
        bytes.remove_prefix(prefix + 1);
    }
}

}  // namespace quillon::display
