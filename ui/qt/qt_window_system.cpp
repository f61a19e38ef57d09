#include "ui/qt/qt_window_system.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "ui/dialog_vocabulary.h"
#include "ui/qt/qt_buttons.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_window_text.h"

namespace quillon::ui {

qt_window_system::qt_window_system(const char* program_name)
    : application_(program_name), pump_(keyboard_) {}

qt_window_system::~qt_window_system() {
    for (auto& [handle, held] : windows_) {
        if (held.widget && held.widget == held.dialog) delete held.widget.data();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

window_handle qt_window_system::take_handle() {
    const window_handle handle = next_handle_;
    // Never reused, so a stale handle can never name a newer window.
    next_handle_ += 4;
    return handle;
}

qt_dialog_window* qt_window_system::dialog(window_handle handle) const {
    const auto found = windows_.find(handle);
    if (found == windows_.end() || found->second.widget != found->second.dialog) return nullptr;
    return found->second.dialog.data();
}

std::uintptr_t qt_window_system::add_font(const QFont& font) {
    fonts_.push_back(font);
    return fonts_.size();
}

window_handle qt_window_system::create_dialog(const dialog_template& form,
                                              dialog_procedure procedure) {
    const window_handle handle = take_handle();
    auto* made = new qt_dialog_window(handle, form, std::move(procedure));
    windows_[handle] = entry{made, made, add_font(made->font())};
    // No control exists yet, so there is none to suggest for the focus.
    made->deliver(wm_initdialog, 0, 0);
    return handle;
}

window_handle qt_window_system::create_control(std::uint32_t ext_style, std::string_view class_name,
                                               std::string_view text, std::uint32_t style,
                                               const rect& pixels, window_handle parent, int id) {
    qt_dialog_window* owner = dialog(parent);
    if (owner == nullptr) return 0;
    QWidget* control = make_control(ext_style, class_name, text, style, pixels, *owner);
    if (control == nullptr) return 0;
    const window_handle handle = take_handle();
    windows_[handle] = entry{control, owner, 0};
    owner->adopt(*control, handle, id, style);
    return handle;
}

std::optional<rect> qt_window_system::map_dialog_rect(window_handle handle, const rect& units) {
    const qt_dialog_window* found = dialog(handle);
    if (found == nullptr) return std::nullopt;
    return found->map_dialog_rect(units);
}

std::pair<int, int> qt_window_system::base_units(window_handle handle) const {
    const qt_dialog_window* found = dialog(handle);
    return found == nullptr ? std::pair{0, 0} : found->base_units();
}

window_handle qt_window_system::find_control(window_handle handle, int id) {
    const qt_dialog_window* found = dialog(handle);
    return found == nullptr ? 0 : found->control_with_id(id);
}

std::string qt_window_system::get_text(window_handle window) {
    const QWidget* target = widget(window);
    return target == nullptr ? std::string{} : window_text(*target);
}

std::u32string qt_window_system::get_characters(window_handle window) {
    const QWidget* target = widget(window);
    return target == nullptr ? std::u32string{} : window_characters(*target);
}

bool qt_window_system::set_text(window_handle window, std::string_view text) {
    QWidget* target = widget(window);
    if (target == nullptr) return false;
    set_window_text(*target, text);
    return true;
}

std::intptr_t qt_window_system::send_message(window_handle window, std::uint32_t message,
                                             std::uintptr_t wparam, std::intptr_t lparam) {
    const auto found = windows_.find(window);
    if (found == windows_.end() || !found->second.widget) return 0;
    if (qt_dialog_window* target = dialog(window)) {
        const std::intptr_t result = target->deliver(message, wparam, lparam);
        if (result != 0) return result;
        // The default processing of the messages the engine sends a dialog. (WM_CLOSE's default
        // posts IDCANCEL, which reaches no one once the dialog is destroyed.) The dialog may be
        // gone now: look it up again.
        const auto still = windows_.find(window);
        if (message == wm_getfont && still != windows_.end())
            return static_cast<std::intptr_t>(still->second.font);
        return 0;
    }

    entry& control = found->second;
    switch (message) {
        case wm_setfont:
            if (wparam >= 1 && wparam <= fonts_.size()) {
                control.widget->setFont(fonts_[wparam - 1]);
                control.font = wparam;
            }
            return 0;
        case wm_getfont:
            return static_cast<std::intptr_t>(control.font);
        case bm_getcheck:
            return button_check(*control.widget);
        case bm_setcheck:
            set_button_check(*control.widget, wparam);
            return 0;
        default:
            return 0;
    }
}

void qt_window_system::show(window_handle window, int show_command) {
    QWidget* target = widget(window);
    if (target == nullptr) return;
    if (show_command == 0) {
        target->hide();
        return;
    }
    // Showing a window on the platform also activates it.
    target->show();
    target->activateWindow();
}

bool qt_window_system::destroy(window_handle window) {
    const auto found = windows_.find(window);
    if (found == windows_.end() || !found->second.widget) return false;
    const QPointer<QWidget> target = found->second.widget;
    const QPointer<qt_dialog_window> owner = found->second.dialog;

    if (target == owner) {
        owner->deliver(wm_destroy, 0, 0);
        if (owner) owner->hide();
        if (owner) owner->deliver(wm_ncdestroy, 0, 0);
        // The controls go with their dialog.
        std::erase_if(windows_, [&](const auto& held) { return held.second.dialog == owner; });
    } else {
        if (owner) owner->forget(*target);
        windows_.erase(window);
    }
    // Deleted after the step, never under the event handler that is closing it.
    if (target) target->deleteLater();
    return true;
}

bool qt_window_system::is_window(window_handle window) { return widget(window) != nullptr; }

window_handle qt_window_system::owner(window_handle) { return 0; }

void qt_window_system::warn(window_handle owner, std::string_view caption, std::string_view text) {
    // Modal to its owner, with its own event loop until dismissed, as MessageBoxA is. QMessageBox
    // with one OK button takes Enter as OK and Escape as the escape button.
    QMessageBox box(QMessageBox::Warning, from_window_bytes(caption), from_window_bytes(text),
                    QMessageBox::Ok, widget(owner));
    box.setObjectName("quillon_warning");
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

void qt_window_system::enable(window_handle window, bool enabled) {
    if (QWidget* target = widget(window)) target->setEnabled(enabled);
}

void qt_window_system::pump_step(window_handle keyboard_dialog) {
    pump_.step(dialog(keyboard_dialog));
}

QWidget* qt_window_system::widget(window_handle window) const {
    const auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second.widget.data();
}

std::unique_ptr<window_system> make_platform_window_system(const char* program_name) {
    return std::make_unique<qt_window_system>(program_name);
}

}  // namespace quillon::ui
