// A virtual display serving one COM port: the emulated module, the pseudo-terminal its bytes
// arrive on, and the registration that maps the port to it while it runs. The window and the
// terminal-only loop both drive one of these.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "display/host/options.h"
#include "display/host/virtual_port.h"
#include "display/module.h"
#include "ports/registration.h"

namespace quillon::display {

// The first port that resolves to its built-in default: no QUILLON_COMn, no line in a ports
// file, no other display running for it. 0 when every port is taken.
int first_free_port();

class served_display {
  public:
    struct started {
        std::unique_ptr<served_display> display;  // null when it could not start
        std::string error;                        // why not, one line
        std::vector<std::string> notes;           // things the user should know, one line each
    };
    // Takes the chosen port (or the first free one), makes the pseudo-terminal and registers it.
    static started start(const options& o);

    int port() const { return port_; }
    const std::string& path() const { return line_.path(); }
    int master() const { return line_.master(); }
    profile module_profile() const { return profile_; }
    // Cells of a character module, pixels of a graphic one.
    display_size size() const { return size_; }

    // Feeds everything that has arrived to the module; true when bytes came. After it, the
    // sender's settings are up to date, and view() will be.
    bool take_waiting();

    // What the glass shows now. Taken from the module only when asked for after bytes came:
    // a window that draws a few frames a second does not pay for a snapshot per burst.
    const screen& view() const;
    // "quillon-display: COM2 → /dev/pts/5\n", said once at the start.
    std::string start_line() const;
    // The sender's line settings, and whether they differ from the display's.
    std::string sender_line() const;
    bool sender_differs() const { return heard_ && sender_.baud != baud_; }
    // The framed screen and the sender's line, for the terminal after each burst.
    std::string text_report(bool to_terminal) const;

  private:
    served_display(int port, const options& o, virtual_port line, ports::display_claim claim);

    int port_;
    int baud_;
    virtual_port line_;
    ports::display_claim claim_;  // after line_: it goes first, before the pty it names
    profile profile_;
    display_size size_;
    std::unique_ptr<module> module_;
    mutable screen view_;
    mutable bool view_stale_ = false;
    bool heard_ = false;
    sender_settings sender_;
    std::vector<char> buffer_;
};

class stop_signals;

// Serves the display without a window until a stop signal comes: the framed screen is written
// to `out` after each burst of bytes. 0 when stopped by a signal, 1 when `out` cannot be
// written or the line fails.
int serve_text_only(served_display& d, const stop_signals& stop, int out);

// Writes every byte to the descriptor (again after EINTR and short writes); false on failure.
bool write_to(int fd, std::string_view bytes);

}  // namespace quillon::display
