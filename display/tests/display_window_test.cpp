// quillon-display's window headless (QT_QPA_PLATFORM=offscreen), serving a real pseudo-terminal:
// a sender at another rate brings the warning into the status line, which wraps within the
// width the window opened with and shows every word.
#include "display/qt/display_window.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include "display/tests/qt_application.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::display {
namespace {

// Runs the window's events until `done` holds or 5 s have passed; whether it holds.
template <typename Condition>
bool wait_for(Condition done) {
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(5000);
    while (!done() && bound.isActive()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

TEST(display_window, the_rate_warning_wraps_and_keeps_the_width) {
    application();
    test::environment_override env;
    for (const auto& [variable, value] : test::port_guard::environment()) env.set(variable, value);
    env.set("QUILLON_COM6", std::nullopt);
    const struct {
        profile module;
        display_size size;
    } table[] = {
        {profile::hd44780, {16, 2}}, {profile::hd44780, {40, 2}}, {profile::graphic, {120, 32}}};
    for (const auto& row : table) {
        options o;
        o.port = 6;
        o.module = row.module;
        o.size = row.size;
        const auto started = served_display::start(o);
        ASSERT_TRUE(started.display) << started.error;
        int stop[2];
        ASSERT_EQ(pipe(stop), 0);  // never written: the window is not asked to stop
        display_window window(*started.display, o, stop[0]);
        window.show();
        QApplication::processEvents();
        const QSize opened = window.size();
        const QSize glass = window.findChild<QWidget*>(QStringLiteral("glass"))->size();
        auto* status = window.findChild<QLabel*>(QStringLiteral("status"));
        ASSERT_NE(status, nullptr);

        // A sender at 1200 baud: its bytes arrive, and the status line warns of the rate.
        const int sender = ::open(started.display->path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(sender, 0);
        termios t{};
        ASSERT_EQ(tcgetattr(sender, &t), 0);
        cfmakeraw(&t);
        cfsetspeed(&t, B1200);
        ASSERT_EQ(tcsetattr(sender, TCSANOW, &t), 0);
        ASSERT_EQ(::write(sender, "Hi", 2), 2);
        EXPECT_TRUE(wait_for([&] { return status->text().contains(QStringLiteral("listens")); }));
        ::close(sender);
        EXPECT_TRUE(status->text().endsWith(
            QStringLiteral("(the display listens at 9600 baud: a real module would show garbage)")))
            << status->text().toStdString();
        QApplication::processEvents();
        // As wide as it opened, the glass as large; the line's words all within the label, the
        // label within the window.
        const std::string what = size_name(row.size);
        EXPECT_EQ(window.width(), opened.width()) << what;
        EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("glass"))->size(), glass) << what;
        const QRect room = status->contentsRect();
        const QRect words =
            QFontMetrics(status->font())
                .boundingRect(QRect(0, 0, room.width(), 1000), Qt::TextWordWrap, status->text());
        EXPECT_LE(words.width(), room.width()) << what;
        EXPECT_LE(words.height(), room.height()) << what;
        EXPECT_LE(status->geometry().bottom(), window.height() - 1) << what;
        ::close(stop[0]);
        ::close(stop[1]);
    }
}

}  // namespace
}  // namespace quillon::display
