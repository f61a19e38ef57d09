// An emulation of an HD44780-compatible character display controller and of the serial module
// built around it.
//
// How it works: the controller holds 80 bytes of display memory (two lines of 40), 64 bytes of
// character-generator memory (eight user characters of 8 rows), one address counter that points
// into either memory, and the display settings. An instruction byte changes the settings or the
// counter; a data byte is stored where the counter points, and the counter then steps as the
// entry mode says. The glass shows a window of each 40-byte line, which a display shift turns.
//
// The serial module in front of it passes every byte as a character, except that byte 254
// sends the byte after it to the instruction register.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "display/geometry.h"
#include "display/module.h"
#include "display/screen.h"

namespace quillon::display {

class controller {
  public:
    // The state a serial module's start-up leaves: memory cleared to blanks, display on,
    // cursor off, increment mode, no shift, address 0.
    explicit controller(display_size size = default_size);

    // One byte to the instruction register.
    void instruction(std::uint8_t command);
    // Bytes to the data register, one after the other.
    void write(std::string_view characters);

    // What the glass shows now.
    screen view() const;
    // The same into an existing snapshot, reusing its storage.
    void view(screen& into) const;

    display_size size() const { return size_; }
    // The address counter, and whether it points into character-generator memory.
    std::uint8_t address() const { return address_; }
    bool addressing_characters() const { return cgram_mode_; }
    // How many places the display has been shifted left (0-39).
    int shift() const { return shift_; }

  private:
    void step_address(bool forward);
    void shift_display(bool left);

    display_size size_;
    std::array<std::uint8_t, 2 * line_length> ddram_;
    std::array<std::uint8_t, 64> cgram_{};
    std::uint8_t address_ = 0;
    bool cgram_mode_ = false;
    bool increment_ = true;
    bool shift_on_write_ = false;
    bool display_on_ = true;
    bool cursor_ = false;
    bool blink_ = false;
    int shift_ = 0;
};

// The hd44780 profile.
class serial_module final : public module {
  public:
    explicit serial_module(display_size size = default_size, rom character_rom = rom::a00)
        : chip_(size), rom_(character_rom) {}

    // Bytes as they arrive on the line; a 254 at the end of one piece makes the first byte of
    // the next an instruction.
    void feed(std::string_view bytes) override;

    const controller& chip() const { return chip_; }
    using module::view;
    void view(screen& into) const override {
        chip_.view(into);
        into.character_rom = rom_;
    }

  private:
    controller chip_;
    rom rom_;
    bool instruction_next_ = false;
};

// The byte that makes the next one an instruction.
inline constexpr std::uint8_t instruction_prefix = 254;

}  // namespace quillon::display
