// The serial graphic modules (family B): the `graphic` profile, 120x32 pixels in one layer, and
// `graphic-layers`, 128x64 pixels in a graphics layer and a 16x4 text layer.
//
// How it works: the pixels live in a striped byte memory (display/pixel_memory.h) that the
// graphic escapes (ESC A ... ESC Z) write. On the 120x32 text is drawn into that same memory,
// from glyph pictures read out of pages 0 and 1 of the picture store, so storing a picture over
// page 1 changes the font; on the 128x64 text goes to a separate layer of codes and inverse
// flags, drawn with the default font (display/graphic_font.h) only when the glass asks for a view,
// and the view combines the two layers. One parser, a switch on its state, takes the bytes one
// at a time (runs of text together, drawn from glyphs made ready per size) in pieces of any size
// and keeps its state between pieces; nothing is allocated after construction. 0 is dropped in
// every state except an escape's arguments, where it is data.
//
// The text cursor is kept in cells of the smallest font (20x4 on the 120x32, 16x4 on the 128x64).
// Positions, tabs and right-aligned fields count cells of the current size; a tall character on
// an odd row goes to the row above, a wide one on an odd column to the next column (which, on
// column 19, is the start of the next line).
//
// Where the modules' documentation leaves behaviour open, these were chosen:
// - bit 0 of a memory byte is the top pixel of its stripe;
// - ESC F 1 is the wide size (12x8), ESC F 2 the tall one (6x16);
// - the default font is the character ROM's 5x7 ASCII (see graphic_font.h), 127-191 blank;
//   192-255 print nothing; a character replaces its cell's pixels whatever the ink and mode;
// - the cells of the small grid that a larger glyph covers, other than the one it starts in,
//   hold a blank code (the glyph's pixels replaced whatever they showed);
// - 8 erases the cell it moves back to, from position 0 it goes to the last cell; 9 goes to the
//   next multiple of 4 strictly to the right, past the edge to column 0 of the next line; 11 from
//   the top line goes to the bottom one; 10 and 11 keep the column; 28-31 are ignored;
// - an erased cell, and the blank part of a right-aligned field, is a space printed with the
//   current inverse setting; bytes 192-255 are not collected into a field;
// - 12 keeps the font size, the inverse setting, ink, mode and everything else but the text
//   (and, on the 120x32, every pixel); on the 128x64 it clears only the text layer;
// - after 16, a byte 1-47 or 58-63 abandons the position and is dropped; 0 is ignored there;
// - 5 and 6 both show the 128x64's underline cursor: all 8 dots of the cell's bottom row, ink
//   in the text layer over the cell's inverse flag, then turned by the text layer's reverse;
//   hidden with that layer; the 120x32 reports its cursor cell but draws no cursor;
// - ESC A takes its column modulo the width and its stripe modulo the stripe count; ESC B wraps
//   from the last byte to 0; ESC C and ESC D G leave the byte address as it is;
// - ESC I, ESC M: OR mode sets drawn pixels to the ink, XOR mode inverts them; both apply to
//   ESC P, L and T only;
// - the pen is (0,0) at power-up and kept as given; ESC V (flip y) applies to the pixels that
//   ESC P, L and T draw from then on, not to byte addresses or text;
// - the 128x64's picture store has 16 pages of 1024 bytes; pages 0 and 1 hold the font
//   pictures in their top-left 120x32 pixels and are protected too, though its text layer uses
//   the default font directly; pages 2-16 (2-15) are white at power-up and kept only in memory;
// - ESC E and ESC X take a picture number modulo the page count; ESC O 3 changes nothing;
// - on the 120x32, ESC R n inverts the memory of text line n (current size, modulo the line
//   count) across the full width; ESC O, Y and Z take their byte and do nothing;
// - ESC Z bit 0 clears the graphics layer and resets ink, mode and graphics reverse (not the
//   pen); bit 1 clears the text layer, puts the cursor at 0 and ends inverse text and text
//   reverse; ESC F on the 128x64 and ESC W take their byte and do nothing;
// - ESC D followed by anything but 'G' drops the three bytes; ESC and an unknown byte drop both;
//   0 right after ESC is ignored and the letter still awaited;
// - the "right after 13" that makes 10 ignored is ended by any byte but 0, escape bytes included.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "display/graphic_font.h"
#include "display/module.h"
#include "display/pixel_memory.h"
#include "display/profile.h"
#include "display/screen.h"

namespace quillon::display {

class graphic_module final : public module {
  public:
    // The module at power-up; `p` is profile::graphic or profile::graphic_layers.
    explicit graphic_module(profile p);

    void feed(std::string_view bytes) override;
    using module::view;
    void view(screen& into) const override;

    // Whether ESC X may store over pictures 0 and 1, the font (protected at power-up). A real
    // module sets this with its start-up configuration; here it is for tests and for a start-up
    // setting of the display.
    void protect_font_pages(bool on) { font_protected_ = on; }

    // A glyph's bytes as one size puts them into memory: the stripe it starts in and, for the
    // tall sizes, the one below; 6 bytes across, 12 for the wide sizes.
    using sized_glyph = std::array<std::array<std::uint8_t, 12>, 2>;

  private:
    enum class state : std::uint8_t {
        idle,
        position,         // after 16
        position_digits,  // after 16 and a digit
        align_width,      // after 18
        align_collect,    // collecting a right-aligned field
        escape,           // after ESC, awaiting the letter
        arguments,        // collecting an escape's arguments
        download,         // collecting ESC D G's picture
    };

    void step(std::uint8_t byte, bool after_return);
    void control(std::uint8_t byte, bool after_return);
    void begin_escape(std::uint8_t letter);
    void run_escape();
    void finish_field();

    // Cells of the current size: columns, lines, count; the one the cursor is on; moving there.
    int columns() const { return grid_columns_ / wide_; }
    int lines() const { return grid_rows / tall_; }
    int cells() const { return columns() * lines(); }
    int cursor_cell() const;
    void move_to(int cell);
    void next_line(int direction, bool to_column_0);

    void print(std::uint8_t code);
    std::size_t print_run(const std::uint8_t* data, std::size_t from, std::size_t length);
    template <int wide, int tall, bool layered>
    void print_all(const std::uint8_t* text, std::size_t count);
    void wrap(int& row, int& column) const;  // to the start of the next line
    void put(int cell, std::uint8_t code);   // draws a code into a cell of the current size
    void draw(int row, int column, std::uint8_t code);  // the same at a small cell
    void clear_text();
    void size_glyphs();
    void draw_text_layer(screen& into) const;

    static constexpr int grid_rows = 4;
    static constexpr int most_pages = 17;

    bool layered_;
    int grid_columns_;
    int pages_;
    pixel_memory memory_;
    std::array<pixel_memory::bytes, most_pages> store_{};
    bool font_protected_ = true;
    // Where each glyph starts on its font page; each glyph ready for each size (1x1, wide, tall,
    // both), made again when a font page is stored over.
    std::array<std::uint16_t, font_glyphs> glyph_offsets_{};
    std::array<std::array<sized_glyph, font_glyphs>, 4> sized_{};

    // Text.
    std::array<std::uint8_t, 20 * grid_rows> codes_{};
    std::array<bool, 16 * grid_rows> cell_inverse_{};  // the 128x64's text layer
    int row_ = 0;
    int column_ = 0;
    int wide_ = 1;
    int tall_ = 1;
    bool inverse_ = false;
    bool after_return_ = false;
    bool cursor_shown_ = false;
    bool backlight_ = false;

    // Drawing.
    int address_ = 0;
    pen pen_{};
    int pen_x_ = 0;
    int pen_y_ = 0;
    bool flip_ = false;

    // The 128x64's composition.
    int overlay_ = 0;  // 0 OR, 1 XOR, 2 AND
    bool reverse_graphics_ = false;
    bool reverse_text_ = false;
    bool hide_graphics_ = false;
    bool hide_text_ = false;

    // The parser.
    state state_ = state::idle;
    std::uint8_t letter_ = 0;
    int wanted_ = 0;
    int got_ = 0;
    std::array<std::uint8_t, 4> arguments_{};
    int number_ = 0;  // a position's digits, or a field's width
    int field_end_ = 0;
    int field_length_ = 0;
    std::array<std::uint8_t, 9> field_{};
    int download_at_ = 0;
};

}  // namespace quillon::display
