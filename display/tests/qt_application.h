// The one QApplication of a test program that draws widgets headless.
#pragma once

#include <QApplication>

namespace quillon::display {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "quillon_display_window_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own statics go first, and a QApplication torn down after
    // them crashes in its input devices once a window has been shown.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace quillon::display
