// A pseudo-terminal standing in for the serial line of a display module. The sender opens the
// slave by its path as it would open a real port; the display reads the master.
//
// The slave starts in raw mode (a pty in cooked mode turns 10 into 13 10) at the display's own
// rate. One slave descriptor stays open for the display's whole life: without it, the master
// would see a hang-up each time a sender closes the port, and the line settings a sender chose
// would be lost between sends. A pty's termios belongs to the tty, so what a sender sets at its
// open is what the display reads back from its own slave descriptor.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "display/host/sender_settings.h"
#include "serial/descriptor.h"

namespace quillon::display {

class virtual_port {
  public:
    // A new pseudo-terminal at `baud` (1200-9600), 8N1; nothing and why when it cannot be made.
    static std::optional<virtual_port> open(int baud, std::string& why);

    const std::string& path() const { return path_; }
    // Non-blocking; readable when a sender has written.
    int master() const { return master_.get(); }

    // The bytes waiting now, read into `buffer` (empty when none are waiting).
    std::string_view read_waiting(std::span<char> buffer) const;

    // What the line is set to now: the last sender's choice once one has opened it.
    sender_settings settings() const;

  private:
    virtual_port(serial::descriptor master, serial::descriptor slave, std::string path)
        : master_(std::move(master)), slave_(std::move(slave)), path_(std::move(path)) {}

    serial::descriptor master_;
    serial::descriptor slave_;
    std::string path_;
};

}  // namespace quillon::display
