#include "display/qt/display_window.h"

#include <unistd.h>

#include <QApplication>
#include <QVBoxLayout>

namespace quillon::display {
namespace {

// The most frames a second the glass shows: enough for text that changes as it is read.
constexpr int frame_ms = 40;

}  // namespace

display_window::display_window(served_display& served, const options& o, int stop_fd)
    : served_(served),
      text_(o.text),
      glass_(new glass_widget(served.view(), o.light, this)),
      status_(new QLabel(this)),
      line_(served.master(), QSocketNotifier::Read),
      stop_(stop_fd, QSocketNotifier::Read) {
    setObjectName(QStringLiteral("display_window"));
    setWindowTitle(QStringLiteral("COM%1 · %2 %3 · quillon-display")
                       .arg(served.port())
                       .arg(QString::fromUtf8(facts(served.module_profile()).name))
                       .arg(QString::fromStdString(size_name(served.size()))));
    status_->setObjectName(QStringLiteral("status"));
    status_->setContentsMargins(8, 4, 8, 4);
    // The status line continues the module's dark frame.
    status_->setAutoFillBackground(true);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::Window, QColor(0x1A, 0x1A, 0x1A));
    palette.setColor(QPalette::WindowText, QColor(0xD8, 0xD8, 0xD8));
    status_->setPalette(palette);
    // The line never widens the window: a label asks for the width of its whole text, and the
    // warning about a sender's rate is longer than the glass of a small module. It wraps at
    // the window's width instead.
    status_->setWordWrap(true);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(glass_, 1);
    layout->addWidget(status_);
    show_status();
    frame_.setSingleShot(true);
    frame_.setInterval(frame_ms);
    connect(&frame_, &QTimer::timeout, this, [this] {
        if (frame_waiting_) show_frame();
    });
    connect(&line_, &QSocketNotifier::activated, this, [this] { take_bytes(); });
    connect(&stop_, &QSocketNotifier::activated, qApp, &QApplication::quit);
}

void display_window::take_bytes() {
    if (!served_.take_waiting()) return;
    if (frame_.isActive()) {
        frame_waiting_ = true;
    } else {
        show_frame();
    }
}

void display_window::show_frame() {
    frame_waiting_ = false;
    frame_.start();
    glass_->show_screen(served_.view());
    show_status();
    if (text_) {
        // A terminal that went away must not end the window: the text is a convenience.
        static_cast<void>(write_to(STDOUT_FILENO, served_.text_report(isatty(STDOUT_FILENO) == 1)));
    }
}

void display_window::show_status() {
    const QString line = QStringLiteral("COM%1 → %2   %3")
                             .arg(served_.port())
                             .arg(QString::fromStdString(served_.path()))
                             .arg(QString::fromStdString(served_.sender_line()));
    if (line == status_->text()) return;
    // A sender at another rate than the display's is the one thing here that needs attention.
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, served_.sender_differs() ? QColor(0xFF, 0xB0, 0x40)
                                                                    : QColor(0xD8, 0xD8, 0xD8));
    status_->setPalette(palette);
    status_->setText(line);
    grow_for_status();
}

// Qt lays the wrapped line out at the window's width and would take the room for another line
// from the glass, shrinking its dots: the window grows instead.
void display_window::grow_for_status() {
    const int wanted = status_->heightForWidth(status_->width());
    if (isVisible() && wanted > status_->height()) {
        resize(width(), height() + wanted - status_->height());
    }
}

}  // namespace quillon::display
