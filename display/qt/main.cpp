// quillon-display: a virtual character display module that one COM port reaches while it runs.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "display/host/options.h"
#include "display/host/served_display.h"
#include "display/host/stop_signals.h"
#include "display/qt/display_window.h"

namespace {

using namespace quillon::display;

int say(const std::string& line, int code) {
    std::fprintf(stderr, "quillon-display: %s\n", line.c_str());
    return code;
}

bool set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

bool display_named() { return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM"); }

// Qt ends the process with an abort when its platform cannot reach the display it was given;
// this says why on one line and ends with status 1 instead. Nothing is held yet at that point.
// The platform's own words ("could not connect to display :9") explain best; the plugin
// loader's come after them and say less.
void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    static QString reason;
    static bool from_platform = false;
    if (type != QtFatalMsg) {
        const QLatin1StringView category(context.category != nullptr ? context.category : "");
        if (!from_platform || category != QLatin1StringView("qt.qpa.plugin")) reason = text;
        from_platform = from_platform || (category.startsWith(QLatin1StringView("qt.qpa.")) &&
                                          category != QLatin1StringView("qt.qpa.plugin"));
        return;
    }
    const QString why = reason.isEmpty() ? text.section(QChar(u'\n'), 0, 0) : reason;
    std::fprintf(stderr, "quillon-display: cannot open the display: %s\n",
                 why.simplified().toLocal8Bit().constData());
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const parsed_options parsed = parse_options({argv + 1, argv + argc});
    if (!parsed.error.empty()) return say(parsed.error + " (see quillon-display --help)", 2);
    options o = parsed.chosen;
    if (o.help) {
        std::fputs(help_text().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::fputs("quillon-display " QUILLON_PACKAGE_VERSION "\n", stdout);
        return 0;
    }
    if (!o.no_window && !display_named()) {
        if (!o.text) {
            return say(
                "no display to show the window on (DISPLAY is not set); run it from a desktop "
                "session, or add --text --no-window for the terminal only",
                1);
        }
        say("no display (DISPLAY is not set): showing the screen as text only", 0);
        o.no_window = true;
    }
    // A reader of --text that goes away must not kill the display with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<QApplication> application;
    int qt_argc = 1;
    if (!o.no_window) {
        // Only the program's name reaches Qt: every argument was the display's own.
        const QtMessageHandler previous = qInstallMessageHandler(on_qt_message);
        application = std::make_unique<QApplication>(qt_argc, argv);
        qInstallMessageHandler(previous);
    }

    const stop_signals stop;
    if (!stop.ok()) return say("cannot watch for stop signals", 1);
    served_display::started started = served_display::start(o);
    for (const std::string& note : started.notes) say(note, 0);
    if (!started.display) return say(started.error, 1);
    served_display& served = *started.display;
    if (!write_to(STDOUT_FILENO, served.start_line())) return say("cannot write the start", 1);

    if (o.no_window) return serve_text_only(served, stop, STDOUT_FILENO);
    display_window window(served, o, stop.fd());
    window.show();
    return application->exec();
}
