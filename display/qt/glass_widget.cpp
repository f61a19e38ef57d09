#include "display/qt/glass_widget.h"

#include <QPainter>
#include <QScreen>

#include "display/glass_layout.h"
#include "display/glyphs.h"

namespace quillon::display {
namespace {

QColor colour(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

QRect to_qrect(const pixel_rect& r) { return {r.x, r.y, r.width, r.height}; }

// The module's frame round the glass.
constexpr int bezel = 12;

}  // namespace

glass_widget::glass_widget(display_size size, backlight light, QWidget* parent)
    : QWidget(parent), colours_(colours(light)) {
    screen_.size = size;
    screen_.codes.assign(static_cast<std::size_t>(size.rows * size.columns), 0x20);
    setObjectName(QStringLiteral("glass"));
    // Every pixel is painted: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    blink_.setInterval(410);
    connect(&blink_, &QTimer::timeout, this, [this] {
        block_phase_ = !block_phase_;
        update();
    });
}

void glass_widget::show_screen(const display::screen& s) {
    screen_ = s;
    update_blinking();
    update();
}

void glass_widget::update_blinking() {
    const bool blinking = screen_.cursor_shown() && screen_.blinking_cursor;
    if (blinking && !blink_.isActive()) {
        block_phase_ = true;
        blink_.start();
    } else if (!blinking && blink_.isActive()) {
        blink_.stop();
    }
}

QSize glass_widget::sizeHint() const {
    // Room on the screen for the glass: its width less the frame round the glass and a
    // window manager's border.
    constexpr int border = 16;
    const QScreen* shown_on = screen();  // none while the platform has no screen at all
    const int room =
        shown_on ? shown_on->availableGeometry().width() - 2 * bezel - 2 * border : 1 << 20;
    const glass_layout layout(screen_.size, default_dot(screen_.size, room));
    return {layout.width() + 2 * bezel, layout.height() + 2 * bezel};
}

QSize glass_widget::minimumSizeHint() const {
    const glass_layout layout(screen_.size, 1);
    return {layout.width() + 2 * bezel, layout.height() + 2 * bezel};
}

void glass_widget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), colour(colours_.bezel));
    const glass_layout layout =
        glass_layout::fitting(screen_.size, width() - 2 * bezel, height() - 2 * bezel);
    // The glass sits in the middle of whatever room the window gives it.
    const QPoint origin((width() - layout.width()) / 2, (height() - layout.height()) / 2);
    painter.translate(origin);
    painter.fillRect(0, 0, layout.width(), layout.height(), colour(colours_.glass));

    const QColor lit = colour(colours_.lit);
    const QColor unlit = colour(colours_.unlit);
    const bool on = screen_.display_on;
    for (int row = 0; row < screen_.size.rows; ++row) {
        for (int column = 0; column < screen_.size.columns; ++column) {
            const std::uint8_t code = screen_.code(row, column);
            glyph dots = on ? cell_glyph(screen_, code) : glyph{};
            const bool cursor_here = screen_.cursor_shown() && row == screen_.cursor_row &&
                                     column == screen_.cursor_column;
            if (cursor_here && screen_.underline_cursor) dots[7] = 0x1F;
            if (cursor_here && screen_.blinking_cursor && block_phase_) dots.fill(0x1F);
            for (int dot_row = 0; dot_row < 8; ++dot_row) {
                for (int dot_column = 0; dot_column < 5; ++dot_column) {
                    const bool is_lit = (dots[dot_row] & (0x10 >> dot_column)) != 0;
                    painter.fillRect(to_qrect(layout.dot_rect(row, column, dot_row, dot_column)),
                                     is_lit ? lit : unlit);
                }
            }
        }
    }
}

}  // namespace quillon::display
