#include "ui/qt/qt_application.h"

#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace quillon::ui {

namespace {

// Holds what Qt says while the QApplication is being made. When Qt's platform plugin cannot
// reach a display it explains why in warnings and then calls qFatal, which aborts (exit 134)
// once the message handler returns; so the handler itself writes the one-line reason and ends
// the process with status 1. When the application is made, what was held is passed on as Qt
// would have printed it.
class startup_messages {
  public:
    startup_messages() {
        const std::scoped_lock lock(mutex_);
        held_.clear();
        previous_ = qInstallMessageHandler(&hold);
    }
    ~startup_messages() {
        const std::scoped_lock lock(mutex_);
        qInstallMessageHandler(previous_);
        for (const message& said : held_) {
            const QMessageLogContext context(nullptr, 0, nullptr, said.category.c_str());
            if (previous_ != nullptr) previous_(said.type, context, said.text);
        }
        held_.clear();
    }
    startup_messages(const startup_messages&) = delete;
    startup_messages& operator=(const startup_messages&) = delete;

  private:
    struct message {
        QtMsgType type;
        std::string category;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        const std::scoped_lock lock(mutex_);
        if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
            const std::string line = "cannot open the display: " + reason(text) + "\n";
            std::fputs(line.c_str(), stderr);
            std::fflush(stderr);
            // Not exit(): the QApplication is half made on the stack below this handler, and
            // the destructors exit() would run can reach into it.
            std::_Exit(1);
        }
        if (type == QtFatalMsg) {
            // Any other fatal message stays what Qt makes of it.
            if (previous_ != nullptr) previous_(type, context, text);
            return;
        }
        held_.push_back({type, context.category != nullptr ? context.category : "", text});
    }

    // The backend's own words ("could not connect to display :99") explain best, then the plugin
    // loader's ("Could not find the Qt platform plugin ..."), then the fatal message itself.
    static std::string reason(const QString& fatal) {
        QString said;
        bool from_backend = false;
        for (auto it = held_.rbegin(); it != held_.rend() && said.isEmpty(); ++it) {
            if (it->category.starts_with("qt.qpa.") && it->category != "qt.qpa.plugin") {
                said = it->text;
                from_backend = true;
            }
        }
        for (auto it = held_.begin(); it != held_.end() && said.isEmpty(); ++it) {
            if (it->category == "qt.qpa.plugin") said = it->text;
        }
        if (said.trimmed().isEmpty()) said = fatal.section(QChar(u'\n'), 0, 0);
        said = said.simplified();  // one line
        // xcb's message names the display it tried, which is blank when none was given.
        if (from_backend && qEnvironmentVariableIsEmpty("DISPLAY")) {
            said += QStringLiteral(" (DISPLAY is not set)");
        }
        return said.toStdString();
    }

    static inline std::mutex mutex_;
    static inline std::vector<message> held_;
    static inline QtMessageHandler previous_ = nullptr;
};

}  // namespace

qt_application::qt_application(const char* program_name)
    : program_name_(program_name != nullptr ? program_name : "quillon"),
      argv_{program_name_.data(), nullptr} {
    if (QCoreApplication::instance() == nullptr) {
        const startup_messages held;
        application_ = std::make_unique<QApplication>(argc_, argv_.data());
    }
}

qt_application::~qt_application() = default;

}  // namespace quillon::ui
