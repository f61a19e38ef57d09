#include "ui/qt/qt_dialog_keyboard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/dialog_vocabulary.h"

namespace quillon::ui {

namespace {

// A multi-line text box with ES_WANTRETURN keeps Enter for a line break.
bool keeps_return(const QWidget& widget, const qt_control* control) {
    return control != nullptr && qobject_cast<const QPlainTextEdit*>(&widget) != nullptr &&
           (control->style & es_wantreturn);
}

// Down and Right go forward through a group, Up and Left back; 0 for any other key.
int arrow_step(int key) {
    if (key == Qt::Key_Down || key == Qt::Key_Right) return 1;
    if (key == Qt::Key_Up || key == Qt::Key_Left) return -1;
    return 0;
}

void command(qt_dialog_window& dialog, int id, window_handle from) {
    dialog.deliver(wm_command, make_wparam(static_cast<std::uint32_t>(id), bn_clicked),
                   static_cast<std::intptr_t>(from));
}

}  // namespace

qt_dialog_keyboard::qt_dialog_keyboard() { QCoreApplication::instance()->installEventFilter(this); }

qt_dialog_keyboard::~qt_dialog_keyboard() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
}

bool qt_dialog_keyboard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto* widget = static_cast<QWidget*>(watched);
    qt_dialog_window* dialog = qt_dialog_window::of(widget);
    if (dialog == nullptr) return false;

    if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::AltModifier) {
        dialog->deliver(wm_syscommand, sc_close, 0);
        return true;
    }
    if (dialog != dialog_ || key->modifiers() & ~Qt::KeypadModifier) return false;

    const qt_control* focused = dialog->control_of(widget);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (keeps_return(*widget, focused)) return false;
        // A focused push button is the command; otherwise the default one, IDOK.
        if (focused != nullptr && qobject_cast<const QPushButton*>(widget) != nullptr) {
            command(*dialog, focused->id, focused->handle);
        } else {
            command(*dialog, idok, dialog->control_with_id(idok));
        }
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        command(*dialog, idcancel, dialog->control_with_id(idcancel));
        return true;
    }
    // The dialog manager's arrows: within a group, the next or previous automatic radio button
    // takes the focus and is ticked (with its click notification), round from the last to the
    // first; the focus never leaves the group.
    if (const int step = arrow_step(key->key());
        step != 0 && qobject_cast<const QRadioButton*>(widget) != nullptr) {
        QRadioButton* next =
            dialog->neighbour_in_group(static_cast<const QRadioButton*>(widget), step);
        if (next == nullptr) return false;
        next->setFocus(Qt::OtherFocusReason);
        next->click();
        return true;
    }
    return false;
}

}  // namespace quillon::ui
