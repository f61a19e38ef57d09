// quillon-display's window: the glass and, under it, a status line naming the port and the
// line settings the sender chose. Bytes are read as the pseudo-terminal makes them readable and
// go to the module at once; the glass (and --text) show the result at most 25 times a second,
// so that a sender drawing byte by byte costs a frame per 40 ms, not a frame per byte. A stop
// signal closes the window like the close box does.
#pragma once

#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "display/host/options.h"
#include "display/host/served_display.h"
#include "display/qt/glass_widget.h"

namespace quillon::display {

class display_window : public QWidget {
  public:
    // `text`: also print the framed screen to standard output after each burst.
    display_window(served_display& served, const options& o, int stop_fd);

  private:
    void take_bytes();
    void show_frame();
    void show_status();
    void grow_for_status();

    served_display& served_;
    bool text_;
    glass_widget* glass_;
    QLabel* status_;
    QSocketNotifier line_;
    QSocketNotifier stop_;
    // Runs for one frame's time after a frame is shown, and only then: bytes that come meanwhile
    // wait for it. An idle display has it stopped.
    QTimer frame_;
    bool frame_waiting_ = false;
};

}  // namespace quillon::display
