#include "ui/qt/qt_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace quillon::ui {

qt_pump::qt_pump(qt_dialog_keyboard& keyboard) : keyboard_(keyboard) {}

void qt_pump::step(qt_dialog_window* keyboard_dialog) {
    keyboard_.offer_to(keyboard_dialog);
    // QCoreApplication::processEvents drops WaitForMoreEvents and never sleeps; the dispatcher
    // itself blocks in its poll (glib's or the plain Unix one) until a source is ready.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    keyboard_.offer_to(nullptr);
    // deleteLater() runs only in Qt's own event loop; this program runs its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace quillon::ui
