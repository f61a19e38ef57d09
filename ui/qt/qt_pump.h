// One step of the event loop on Qt: the dispatcher handles what is pending or, when nothing is,
// sleeps in its poll until an event arrives. Nothing in the window changes without an event, so
// the step has no timed bound: an idle window never wakes (a one-second bound cost about 70 us
// of processor time per expiry under Xvfb here).
#pragma once

#include "ui/qt/qt_dialog_keyboard.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillon::ui {

class qt_pump {
  public:
    explicit qt_pump(qt_dialog_keyboard& keyboard);

    // Handles pending events, or waits for the next one, with keyboard_dialog's keyboard handling
    // (null: none); then deletes the widgets whose deletion was deferred.
    void step(qt_dialog_window* keyboard_dialog);

  private:
    qt_dialog_keyboard& keyboard_;
};

}  // namespace quillon::ui
