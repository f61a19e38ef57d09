// One emulated display module of any profile (display/profile.h): bytes in as they arrive on the
// line, what the glass shows out. Each profile is one class behind this interface, with its
// state as plain members and its parser's state kept between pieces, as a real module keeps it
// between sends: closing the sender's port resets nothing, only power-up does.
#pragma once

#include <memory>
#include <string_view>

#include "display/profile.h"
#include "display/rom.h"
#include "display/screen.h"

namespace quillon::display {

class module {
  public:
    virtual ~module() = default;

    // Bytes as they arrive, in pieces of any size: a sequence cut between two pieces goes on
    // in the next one.
    virtual void feed(std::string_view bytes) = 0;

    // What the glass shows now, into an existing snapshot, reusing its storage.
    virtual void view(screen& into) const = 0;
    screen view() const {
        screen s;
        view(s);
        return s;
    }
};

// The module of a profile at power-up. `size` must be one of the profile's sizes; the ROM is
// what the character profiles draw their codes with.
std::unique_ptr<module> make_module(profile p, display_size size, rom character_rom = rom::a00);

}  // namespace quillon::display
