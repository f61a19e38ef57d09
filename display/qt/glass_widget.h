// The glass of a character display module: every cell's 5x8 dots, lit or faintly unlit, in the
// colours of the chosen backlight, with the underline cursor and the blinking block.
#pragma once

#include <QTimer>
#include <QWidget>

#include "display/backlight.h"
#include "display/screen.h"

namespace quillon::display {

class glass_widget : public QWidget {
  public:
    glass_widget(display_size size, backlight light, QWidget* parent = nullptr);

    void show_screen(const display::screen& s);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void update_blinking();

    display::screen screen_;  // qualified: QWidget has a screen() of its own
    glass_colours colours_;
    // The blinking block alternates with the character about every 0.4 s (409.6 ms at the
    // controller's usual 250 kHz clock). The timer runs only while a block is shown, so an idle
    // display wakes nobody.
    QTimer blink_;
    bool block_phase_ = true;
};

}  // namespace quillon::display
