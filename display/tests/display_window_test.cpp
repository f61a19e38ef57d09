// quillon-display's window headless (QT_QPA_PLATFORM=offscreen), serving a real pseudo-terminal:
// a sender at another rate brings the warning into the status line, and the window keeps the
// size it opened with.
#include "display/qt/display_window.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QLabel>
#include <chrono>
#include <thread>

#include "display/tests/qt_application.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::display {
namespace {

TEST(display_window, keeps_its_size_when_the_rate_warning_appears) {
    application();
    test::environment_override env;
    for (const auto& [variable, value] : test::port_guard::environment()) env.set(variable, value);
    env.set("QUILLON_COM6", std::nullopt);
    for (const display_size size : {display_size{16, 2}, display_size{40, 2}}) {
        options o;
        o.port = 6;
        o.size = size;
        const auto started = served_display::start(o);
        ASSERT_TRUE(started.display) << started.error;
        int stop[2];
        ASSERT_EQ(pipe(stop), 0);  // never written: the window is not asked to stop
        display_window window(*started.display, o, stop[0]);
        window.show();
        QApplication::processEvents();
        const QSize opened = window.size();
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
        for (int i = 0; i < 500 && !status->text().contains(QStringLiteral("listens")); ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(sender);
        EXPECT_TRUE(status->text().contains(QStringLiteral("the display listens at 9600 baud")))
            << status->text().toStdString();
        QApplication::processEvents();
        EXPECT_EQ(window.size(), opened) << size.columns << "x" << size.rows;
        ::close(stop[0]);
        ::close(stop[1]);
    }
}

}  // namespace
}  // namespace quillon::display
