#include "ui/qt/qt_dialog_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "ui/dialog_units.h"
#include "ui/dialog_vocabulary.h"
#include "ui/qt/qt_buttons.h"
#include "ui/qt/qt_dialog_font.h"

namespace quillon::ui {

namespace {

Qt::WindowFlags flags_for(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if ((style & ws_caption) == ws_caption) flags |= Qt::WindowTitleHint;
    if (style & ws_sysmenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // On a captioned window these bits are the minimize and maximize boxes.
    if (style & ws_minimizebox) flags |= Qt::WindowMinimizeButtonHint;
    if (style & ws_maximizebox) flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

}  // namespace

qt_dialog_window::qt_dialog_window(window_handle handle, const dialog_template& form,
                                   dialog_procedure procedure)
    : QWidget(nullptr, flags_for(form.style)), handle_(handle), procedure_(std::move(procedure)) {
    // Each byte of the caption is one character, as the template widens it.
    setWindowTitle(
        QString::fromLatin1(form.title.data(), static_cast<qsizetype>(form.title.size())));
    const QFont font = make_dialog_font(form.typeface, form.point_size);
    setFont(font);
    std::tie(base_x_, base_y_) = dialog_base_units(font);

    const ui::rect client = map_dialog_rect(ui::rect{0, 0, form.cx, form.cy});
    if (form.style & ws_thickframe) {
        resize(client.right, client.bottom);
    } else {
        setFixedSize(client.right, client.bottom);
    }
    if (form.style & ds_center) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QPoint centre = screen->availableGeometry().center();
            move(centre.x() - client.right / 2, centre.y() - client.bottom / 2);
        }
    } else {
        move(form.x, form.y);
    }
}

qt_dialog_window* qt_dialog_window::of(const QWidget* widget) {
    return widget == nullptr ? nullptr : dynamic_cast<qt_dialog_window*>(widget->window());
}

ui::rect qt_dialog_window::map_dialog_rect(const ui::rect& units) const {
    return map_dialog_units(units, base_x_, base_y_);
}

std::intptr_t qt_dialog_window::deliver(std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
    if (!procedure_) return 0;
    // A copy: the procedure may destroy the dialog, and this object with it, while it runs.
    const dialog_procedure procedure = procedure_;
    return procedure(handle_, message, wparam, lparam);
}

void qt_dialog_window::adopt(QWidget& control, window_handle handle, int id, std::uint32_t style) {
    if (style & ws_group) ++group_;
    controls_[&control] = qt_control{handle, id, style, group_};
    with_id_[id].push_back(handle);
    if (auto* radio = dynamic_cast<qt_auto_radio_button*>(&control)) {
        radio_groups_[group_].emplace_back(radio);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        // The click notification, sent after the button has changed its check state.
        QObject::connect(button, &QAbstractButton::clicked, button, [this, handle, id] {
            deliver(wm_command, make_wparam(static_cast<std::uint32_t>(id), bn_clicked),
                    static_cast<std::intptr_t>(handle));
        });
    }
}

void qt_dialog_window::forget(const QWidget& control) {
    const auto found = controls_.find(&control);
    if (found == controls_.end()) return;
    std::erase(with_id_[found->second.id], found->second.handle);
    controls_.erase(found);
}

const qt_control* qt_dialog_window::control_of(const QWidget* widget) const {
    const auto found = controls_.find(widget);
    return found == controls_.end() ? nullptr : &found->second;
}

window_handle qt_dialog_window::control_with_id(int id) const {
    const auto found = with_id_.find(id);
    return found == with_id_.end() || found->second.empty() ? 0 : found->second.front();
}

void qt_dialog_window::check_in_group(const QRadioButton* radio) {
    const qt_control* control = control_of(radio);
    if (control == nullptr) return;
    for (const QPointer<QRadioButton>& member : radio_groups_[control->group]) {
        if (member) member->setChecked(member == radio);
    }
}

QRadioButton* qt_dialog_window::neighbour_in_group(const QRadioButton* radio, int step) const {
    const qt_control* control = control_of(radio);
    if (control == nullptr) return nullptr;
    const auto found = radio_groups_.find(control->group);
    if (found == radio_groups_.end()) return nullptr;
    const std::vector<QPointer<QRadioButton>>& members = found->second;
    const auto count = static_cast<int>(members.size());
    int at = 0;
    while (at < count && members[static_cast<std::size_t>(at)] != radio) ++at;
    if (at == count) return nullptr;
    for (int walked = 1; walked <= count; ++walked) {
        QRadioButton* next =
            members[static_cast<std::size_t>(((at + walked * step) % count + count) % count)];
        if (next != nullptr && next->isEnabled() && next->isVisible()) return next;
    }
    return nullptr;
}

void qt_dialog_window::closeEvent(QCloseEvent* event) {
    // The window closes only if the dispatcher destroys it, as with a Win32 dialog.
    event->ignore();
    deliver(wm_syscommand, sc_close, 0);
}

bool qt_dialog_window::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        const std::uint32_t state =
            event->type() == QEvent::WindowActivate ? wa_active : wa_inactive;
        deliver(wm_activate, state, 0);
    }
    return QWidget::event(event);
}

}  // namespace quillon::ui
