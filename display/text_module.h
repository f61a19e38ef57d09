// An emulation of a serial text module (family A): the profiles `text` (an LCD of 16x2, 20x2,
// 20x4 or 40x4 characters) and `text-vfd` (its vacuum-fluorescent variant, 20x2 or 20x4).
//
// How it works: the module holds a character code per cell, the cursor as a linear position
// (row x columns + column: no interleaving, unlike the HD44780's memory), eight user characters
// shown by codes 128-135, and its settings. One state machine reads the bytes; its state (a
// POSITION, RIGHT_ALIGN or escape sequence under way) is kept between pieces, as a real module
// keeps it between sends. Bytes 32-255 print at the cursor, which then steps on; the position
// after the last is 0 and nothing ever scrolls. Every movement that leaves the screen re-enters
// on the opposite side. Byte 0 is dropped everywhere except among an escape sequence's
// arguments, where it is data (a blank dot row, user character 0). Byte 254 is just a glyph: the
// 254 family is another profile, as on real modules a jumper chooses it.
//
// Where the modules' documentation is silent, these are the choices made:
// - backspace (8) erases the cell it steps back onto; from position 0 it goes to the last one;
// - tab (9) goes to the next multiple of 4 strictly to the right, past the edge to column 0 of
//   the next row; vertical tab (11) goes from row 0 to the bottom row;
// - after POSITION (16), a byte 1-47 or 58-63 abandons it and is discarded; the text form's
//   terminator is always discarded; the position is taken modulo the cell count;
// - RIGHT_ALIGN (18) with a width other than '2'-'9' is cancelled and the byte handled as usual;
//   its field ends after w bytes, at a control byte 1-31 (then executed) or at '.' (then
//   printed after the field, so decimal points line up); the field wraps back past position 0;
// - big mode (2) is ignored on two-row profiles; a big symbol that does not fit before the right
//   edge starts at column 0; punctuation and space are 2 columns wide; the blank column after a
//   symbol is written blank; the cursor then goes to row 0 in the column after it, or to
//   position 0 when that column is past the edge; the segment shapes are this emulator's own;
// - a 13 counts for the "10 after 13 is ignored" rule only when it acts as RETURN, not when it
//   is a POSITION terminator or an escape argument;
// - escapes: ESC D n + 8 rows defines user character n & 7 (bits 5-7 of a row ignored); ESC E n
//   restores the segment shapes (on the VFD only when n is odd: an even n shows the start-up
//   screen stored by ESC X, cursor at 0); ESC X n stores that screen on the VFD and is consumed
//   on the LCD; ESC W + 8 bytes and ESC '=' + 3 bytes are consumed without a visible effect (the
//   bar graph is not drawn); ESC '0'-'3' set the brightness to 1-4 quarters, '3' the brightest;
//   ESC + any other byte, the graphic modules' letters included, consumes just those two bytes,
//   so the graphic escapes' parameters then print as text; a 0 right after ESC is dropped;
// - codes 127 and 136-255 draw the character ROM's pictures, on both flavours;
// - at power-up the screen is blank, the cursor at 0 and hidden, the user characters hold the
//   segment shapes, the LCD's backlight is off, the VFD's display is on, brightness is full.
//
// The VFD flavour differs in that it ignores byte 5 (no underline cursor), that 14 and 15
// switch the display itself on and off (contents kept and still writable while dark), and in
// ESC E's odd/even rule.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "display/geometry.h"
#include "display/module.h"
#include "display/screen.h"

namespace quillon::display {

class text_module final : public module {
  public:
    // A module of the `text` profile, or of `text-vfd` when `vfd`, at power-up. `size` is one
    // of the profile's sizes (at most 40x4).
    text_module(display_size size, bool vfd, rom character_rom = rom::a00);

    void feed(std::string_view bytes) override;

    using module::view;
    void view(screen& into) const override;

  private:
    enum class parser : std::uint8_t {
        idle,              // bytes print or act
        position,          // after 16: a one-byte position or the first digit
        position_digits,   // collecting the text form's digits
        align_width,       // after 18: the width digit
        align_collect,     // collecting the right-aligned field's text
        escape,            // after 27: the command letter
        escape_arguments,  // collecting the command's argument bytes
    };
    enum class cursor_style : std::uint8_t { hidden, underline, block };

    static constexpr int max_cells = 160;  // 40x4

    void step(std::uint8_t byte);
    void act(std::uint8_t byte, bool after_return);
    void control(std::uint8_t byte, bool after_return);
    void print(std::uint8_t code);
    void draw_big(std::uint8_t code);
    void start_escape(std::uint8_t command);
    void run_escape();
    void close_field();

    // The cursor's row and column, from tables rather than a division per control byte.
    int row() const { return row_of_[static_cast<std::size_t>(cursor_)]; }
    int column() const { return column_of_[static_cast<std::size_t>(cursor_)]; }
    int row_below() const { return row() + 1 == size_.rows ? 0 : row() + 1; }
    void move_to(int row, int column) { cursor_ = row * size_.columns + column; }

    display_size size_;
    int cells_count_;
    bool vfd_;
    rom rom_;

    std::array<std::uint8_t, max_cells> cells_{};
    std::array<std::uint8_t, max_cells> start_screen_{};  // ESC X / ESC E on the VFD
    std::array<std::uint8_t, max_cells> row_of_{};
    std::array<std::uint8_t, max_cells> column_of_{};
    std::array<glyph, 8> custom_{};
    int cursor_ = 0;
    cursor_style style_ = cursor_style::hidden;
    bool backlight_ = false;  // LCD
    bool display_on_ = true;  // VFD
    int brightness_ = 4;
    unsigned bells_ = 0;
    bool big_ = false;
    bool after_return_ = false;

    parser state_ = parser::idle;
    int number_ = 0;  // POSITION's digits so far, modulo the cell count
    // RIGHT_ALIGN: its width, where it ends (the cursor before the 18), the text so far.
    int field_width_ = 0;
    int field_end_ = 0;
    int field_length_ = 0;
    std::array<std::uint8_t, 9> field_{};
    // The escape under way: its letter, how many argument bytes it takes, those so far.
    std::uint8_t escape_ = 0;
    int arguments_wanted_ = 0;
    int arguments_had_ = 0;
    std::array<std::uint8_t, 9> arguments_{};
};

}  // namespace quillon::display
