// The glass of a display module: a character module's cells of 5x8 dots, or a graphic module's
// pixels as square dots in the same look, lit or faintly unlit in the colours of the chosen look
// and of the module's backlight and brightness, with the underline cursor, the blinking block
// and a brief mark when the bell rings.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "display/backlight.h"
#include "display/screen.h"

namespace quillon::display {

class glass_widget : public QWidget {
  public:
    // `first`: what the glass shows at the start, which also gives its size and kind.
    glass_widget(const display::screen& first, backlight look, QWidget* parent = nullptr);

    // Repaints only when what the glass shows has changed.
    void show_screen(const display::screen& s);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The bezel's colour while the bell's mark shows.
    static constexpr std::uint32_t bell_mark = 0xC08A2A;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void update_blinking();
    void draw_picture();

    display::screen screen_;  // qualified: QWidget has a screen() of its own
    backlight look_;
    // The whole widget as last drawn; drawn again only when something on it changed.
    QImage picture_;
    bool picture_stale_ = true;
    // The blinking block alternates with the character about every 0.4 s (409.6 ms at the
    // controller's usual 250 kHz clock). The timer runs only while a block is shown, so an idle
    // display wakes nobody.
    QTimer blink_;
    bool block_phase_ = true;
    // The bell's mark: the bezel lit for half a second after the bell count rises. The timer
    // runs only while the mark shows.
    QTimer bell_;
    unsigned bells_seen_;
};

}  // namespace quillon::display
