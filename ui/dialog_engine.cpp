#include "ui/dialog_engine.h"

#include <utility>
#include <vector>

#include "ui/dialog_vocabulary.h"

namespace quillon::ui {

namespace {

// Styles the engine always adds to, and always removes from, a dialog template.
constexpr std::uint32_t always_added = ds_setfont | ds_nofailcreate | ds_3dlook;
constexpr std::uint32_t always_removed = ws_visible | ds_sysmodal;

}  // namespace

std::string_view class_of(control_kind kind) {
    switch (kind) {
        case control_kind::label:
            return "STATIC";
        case control_kind::text_box:
            return "EDIT";
        case control_kind::frame:
        case control_kind::option:
        case control_kind::check_box:
            break;
    }
    return "BUTTON";
}

std::uint32_t default_style(control_kind kind) {
    switch (kind) {
        case control_kind::label:
            return ws_child | ws_visible | ss_left;
        case control_kind::option:
            return ws_child | ws_visible | ws_tabstop | bs_autoradiobutton;
        case control_kind::check_box:
            return ws_child | ws_visible | ws_tabstop | bs_autocheckbox;
        case control_kind::frame:
        case control_kind::text_box:
            break;
    }
    // Frames and text boxes are always given their style; 0 stays 0.
    return 0;
}

dialog_engine::dialog_engine(window_system& windows) : windows_(windows) {}

window_handle dialog_engine::create_dialog(dialog_template form) {
    form.style = (form.style | always_added) & ~always_removed;
    const window_handle dialog = windows_.create_dialog(
        form, [this](window_handle window, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) { return dispatch(window, message, wparam, lparam); });
    if (dialog == 0) return 0;

    // Every control of the dialog gets the font the dialog was created with.
    const auto font = static_cast<std::uintptr_t>(windows_.send_message(dialog, wm_getfont, 0, 0));
    const std::scoped_lock lock(records_lock_);
    record& created = records_[dialog];
    created.dialog = dialog;
    created.font = font;
    created.show_command = sw_show;
    return dialog;
}

window_handle dialog_engine::add_control(window_handle dialog, control_kind kind,
                                         const control_layout& layout, handler control_handler) {
    control_layout chosen = layout;
    if (chosen.style == 0) chosen.style = default_style(kind);
    return add_control_of_class(dialog, class_of(kind), chosen, std::move(control_handler));
}

window_handle dialog_engine::add_control(window_handle dialog, std::string_view class_name,
                                         const control_layout& layout, handler control_handler) {
    return add_control_of_class(dialog, class_name, layout, std::move(control_handler));
}

window_handle dialog_engine::add_control_of_class(window_handle dialog, std::string_view class_name,
                                                  const control_layout& layout,
                                                  handler control_handler) {
    // One rectangle through the mapping, so that controls that meet in units meet in pixels.
    const rect units{layout.x, layout.y, layout.x + layout.width, layout.y + layout.height};
    const rect pixels = windows_.map_dialog_rect(dialog, units).value_or(units);
    const window_handle control = windows_.create_control(layout.ext_style, class_name, layout.text,
                                                          layout.style, pixels, dialog, layout.id);
    if (control == 0) return 0;

    std::uintptr_t font = 0;
    {
        const std::scoped_lock lock(records_lock_);
        if (const auto found = records_.find(dialog); found != records_.end()) {
            font = found->second.font;
        }
    }
    windows_.send_message(control, wm_setfont, font, 1);

    const std::scoped_lock lock(records_lock_);
    record& created = records_[control];
    created.attached = std::move(control_handler);
    created.dialog = dialog;
    return control;
}

void dialog_engine::show_modeless(window_handle dialog, handler window_handler) {
    // The platform's own WM_INITDIALOG came during creation, before any handler was attached;
    // this call stands in for it.
    if (window_handler) window_handler(dialog, wm_initdialog, dialog, 0);

    int show_command = 0;
    {
        const std::scoped_lock lock(records_lock_);
        const auto found = records_.find(dialog);
        if (found == records_.end()) return;
        found->second.attached = std::move(window_handler);
        found->second.shown_modeless = true;
        show_command = found->second.show_command;
    }
    windows_.show(dialog, show_command);
}

void dialog_engine::set_result_variable(window_handle dialog, std::int32_t* result) {
    const std::scoped_lock lock(records_lock_);
    if (const auto found = records_.find(dialog); found != records_.end()) {
        found->second.result = result;
    }
}

bool dialog_engine::has_record(window_handle window) const {
    const std::scoped_lock lock(records_lock_);
    return records_.contains(window);
}

bool dialog_engine::has_handler(window_handle window) const {
    return static_cast<bool>(handler_of(window));
}

handler dialog_engine::handler_of(window_handle window) const {
    if (window == 0) return {};
    const std::scoped_lock lock(records_lock_);
    const auto found = records_.find(window);
    return found == records_.end() ? handler{} : found->second.attached;
}

void dialog_engine::release_records(window_handle dialog) {
    const std::scoped_lock lock(records_lock_);
    // The controls' records go first, then the dialog's own.
    std::erase_if(records_, [dialog](const auto& entry) {
        return entry.first != dialog && entry.second.dialog == dialog;
    });
    records_.erase(dialog);
}

std::intptr_t dialog_engine::dispatch(window_handle window, std::uint32_t message,
                                      std::uintptr_t wparam, std::intptr_t lparam) {
    if (message == wm_initdialog) ++open_dialogs_;
    if (message == wm_destroy) --open_dialogs_;

    if (message == wm_activate) {
        const std::uint32_t state = low_word(wparam);
        if (state == wa_active || state == wa_clickactive) {
            active_dialog_ = window;
            return 1;
        }
        if (state == wa_inactive) {
            active_dialog_ = 0;
            return 1;
        }
    }

    window_handle control = 0;
    if (message == wm_command) {
        control = windows_.find_control(window, static_cast<int>(low_word(wparam)));
    } else if (message == wm_hscroll || message == wm_vscroll) {
        control = static_cast<window_handle>(lparam);
    }
    if (const handler control_handler = handler_of(control)) {
        const std::int32_t result = control_handler(window, message, wparam, lparam);
        if (result != 0) return result;
    }

    std::int32_t result = 0;
    if (const handler window_handler = handler_of(window)) {
        result = window_handler(window, message, wparam, lparam);
    }
    if (message == wm_ncdestroy) release_records(window);
    if (result != 0) return result;

    if (message == wm_syscommand && low_word(wparam) == sc_close) return close_dialog(window);
    return 0;
}

std::intptr_t dialog_engine::close_dialog(window_handle dialog) {
    windows_.send_message(dialog, wm_close, 0, 0);

    const window_handle owner = windows_.owner(dialog);
    if (owner != 0) windows_.enable(owner, true);

    std::int32_t* result = nullptr;
    {
        const std::scoped_lock lock(records_lock_);
        if (const auto found = records_.find(dialog); found != records_.end()) {
            result = found->second.result;
        }
    }
    if (result != nullptr) *result = 0;

    // A failed destroy leaves the dialog open; the owner goes back to how it was.
    if (!windows_.destroy(dialog) && owner != 0) windows_.enable(owner, false);
    return 1;
}

std::int32_t dialog_engine::pump_step() {
    windows_.pump_step(active_dialog_);
    return open_dialogs_;
}

void dialog_engine::run() {
    while (pump_step() != 0) {
    }
}

}  // namespace quillon::ui
