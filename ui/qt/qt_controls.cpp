#include "ui/qt/qt_controls.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "ui/qt/qt_window_system.h"
#include "ui/win32_vocabulary.h"

namespace quillon::ui {

qt_dialog_window::qt_dialog_window(qt_window_system& windows, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), windows_(windows) {}

void qt_dialog_window::closeEvent(QCloseEvent* event) {
    // The window closes only if the dispatcher destroys it, as with a Win32 dialog.
    event->ignore();
    windows_.deliver(windows_.handle_of(this), wm_syscommand, sc_close, 0);
}

bool qt_dialog_window::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        const std::uint32_t state =
            event->type() == QEvent::WindowActivate ? wa_active : wa_inactive;
        windows_.deliver(windows_.handle_of(this), wm_activate, state, 0);
    }
    return QWidget::event(event);
}

qt_auto_radio_button::qt_auto_radio_button(qt_window_system& windows, const QString& text,
                                           QWidget* parent)
    : QRadioButton(text, parent), windows_(windows) {
    setAutoExclusive(false);
}

void qt_auto_radio_button::nextCheckState() { windows_.check_in_group(windows_.handle_of(this)); }

qt_auto_check_box::qt_auto_check_box(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

void qt_auto_check_box::nextCheckState() {
    // QCheckBox would go from unchecked to partially checked once BM_SETCHECK had made it
    // tristate; setCheckState also emits stateChanged, as QCheckBox's own step does.
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

qt_keyboard_filter::qt_keyboard_filter(qt_window_system& windows) : windows_(windows) {}

bool qt_keyboard_filter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto* widget = static_cast<QWidget*>(watched);
    const window_handle dialog = windows_.handle_of(widget->window());
    if (dialog == 0) return false;

    // Alt+F4 is the system's close key on the platform, handled whatever has the focus.
    if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::AltModifier) {
        windows_.deliver(dialog, wm_syscommand, sc_close, 0);
        return true;
    }
    if (windows_.keyboard_dialog() != dialog || key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }

    const window_handle focused = windows_.handle_of(widget);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (windows_.wants_return(focused)) return false;
        // A focused push button is the command; otherwise the default one, IDOK.
        const bool on_button = qobject_cast<const QPushButton*>(widget) != nullptr;
        const window_handle button = on_button ? focused : windows_.find_control(dialog, idok);
        const int id = on_button ? windows_.control_id(focused) : idok;
        windows_.deliver(dialog, wm_command, make_wparam(id, bn_clicked),
                         static_cast<std::intptr_t>(button));
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        windows_.deliver(dialog, wm_command, make_wparam(idcancel, bn_clicked),
                         static_cast<std::intptr_t>(windows_.find_control(dialog, idcancel)));
        return true;
    }
    return false;
}

}  // namespace quillon::ui
