#include "display/qt/glass_widget.h"

#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "display/glass_layout.h"
#include "display/glyphs.h"

namespace quillon::display {
namespace {

// The module's frame round the glass.
constexpr int bezel = 12;

// Whether two snapshots look the same on the glass (the bell count aside).
bool same_look(const screen& a, const screen& b) {
    return a.size == b.size && a.display_on == b.display_on && a.codes == b.codes &&
           a.cursor_row == b.cursor_row && a.cursor_column == b.cursor_column &&
           a.underline_cursor == b.underline_cursor && a.blinking_cursor == b.blinking_cursor &&
           a.custom == b.custom && a.first_custom_code == b.first_custom_code &&
           a.custom_codes == b.custom_codes && a.character_rom == b.character_rom &&
           a.backlight == b.backlight && a.brightness == b.brightness &&
           a.pixel_width == b.pixel_width && a.pixel_height == b.pixel_height &&
           a.pixels == b.pixels;
}

// A rectangle of one colour, clipped to the picture: straight stores into its lines, since a
// graphic glass has thousands of dots to draw.
void fill(QImage& picture, const pixel_rect& r, std::uint32_t rgb) {
    const int left = std::max(r.x, 0);
    const int right = std::min(r.x + r.width, picture.width());
    const int top = std::max(r.y, 0);
    const int bottom = std::min(r.y + r.height, picture.height());
    const QRgb colour = 0xFF000000U | rgb;
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        std::fill(line + left, line + right, colour);
    }
}

pixel_rect moved(pixel_rect r, int dx, int dy) { return {r.x + dx, r.y + dy, r.width, r.height}; }

}  // namespace

glass_widget::glass_widget(const display::screen& first, backlight look, QWidget* parent)
    : QWidget(parent), screen_(first), look_(look), bells_seen_(first.bells) {
    setObjectName(QStringLiteral("glass"));
    // Every pixel is painted: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    blink_.setInterval(410);
    connect(&blink_, &QTimer::timeout, this, [this] {
        block_phase_ = !block_phase_;
        picture_stale_ = true;
        update();
    });
    bell_.setSingleShot(true);
    bell_.setInterval(500);
    connect(&bell_, &QTimer::timeout, this, [this] {
        picture_stale_ = true;
        update();
    });
    update_blinking();
}

void glass_widget::show_screen(const display::screen& s) {
    const bool rang = s.bells > bells_seen_;
    bells_seen_ = s.bells;
    if (rang) bell_.start();
    if (same_look(s, screen_) && !rang) return;
    screen_ = s;
    update_blinking();
    picture_stale_ = true;
    update();
}

void glass_widget::update_blinking() {
    const bool blinking = !screen_.graphic() && screen_.cursor_shown() && screen_.blinking_cursor;
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
    const glass_grid grid = grid_of(screen_);
    const glass_layout layout(grid, default_dot(grid, room));
    return {layout.width() + 2 * bezel, layout.height() + 2 * bezel};
}

QSize glass_widget::minimumSizeHint() const {
    const glass_layout layout(grid_of(screen_), 1);
    return {layout.width() + 2 * bezel, layout.height() + 2 * bezel};
}

void glass_widget::paintEvent(QPaintEvent* /*event*/) {
    if (picture_stale_ || picture_.size() != size()) draw_picture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void glass_widget::draw_picture() {
    picture_stale_ = false;
    if (picture_.size() != size()) picture_ = QImage(size(), QImage::Format_RGB32);
    const glass_colours c = colours(look_, screen_.backlight, screen_.brightness);
    fill(picture_, {0, 0, width(), height()}, bell_.isActive() ? bell_mark : c.bezel);
    const glass_grid grid = grid_of(screen_);
    const glass_layout layout =
        glass_layout::fitting(grid, width() - 2 * bezel, height() - 2 * bezel);
    // The glass sits in the middle of whatever room the window gives it.
    const int left = (width() - layout.width()) / 2;
    const int top = (height() - layout.height()) / 2;
    fill(picture_, {left, top, layout.width(), layout.height()}, c.glass);
    const bool on = screen_.display_on;

    if (screen_.graphic()) {
        // The module draws its own cursor into the pixels, if it has one.
        for (int y = 0; y < screen_.pixel_height; ++y) {
            for (int x = 0; x < screen_.pixel_width; ++x) {
                const bool lit = on && screen_.pixel(x, y);
                fill(picture_, moved(layout.dot_rect(0, 0, y, x), left, top),
                     lit ? c.lit : c.unlit);
            }
        }
        return;
    }
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
                    const bool lit = (dots[dot_row] & (0x10 >> dot_column)) != 0;
                    fill(picture_,
                         moved(layout.dot_rect(row, column, dot_row, dot_column), left, top),
                         lit ? c.lit : c.unlit);
                }
            }
        }
    }
}

}  // namespace quillon::display
