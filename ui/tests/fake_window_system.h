// A window system without widgets for the engine's tests: it keeps dialogs and controls as plain
// records, delivers dialog messages to the dialog procedure as the platform would, delivers one
// message of a queue the test fills in each step of the event loop, and records what it was
// asked to do.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ui/dialog_units.h"
#include "ui/dialog_vocabulary.h"
#include "ui/window_system.h"

namespace quillon::ui::testing {

struct sent_message {
    window_handle window;
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    friend bool operator==(const sent_message&, const sent_message&) = default;
};

struct fake_control {
    window_handle parent = 0;
    int id = 0;
    std::string class_name;
    std::string text;
    std::uint32_t style = 0;
    std::uint32_t ext_style = 0;
    rect pixels;
    std::uintptr_t font = 0;
    std::intptr_t check = 0;
};

class fake_window_system final : public window_system {
  public:
    static constexpr int base_x = 6;
    static constexpr int base_y = 13;
    static constexpr std::uintptr_t dialog_font = 0xF0;

    // What the test makes the platform do.
    bool refuse_dialogs = false;
    std::vector<int> refused_ids;
    bool refuse_destroy = false;
    window_handle dialog_owner = 0;
    std::deque<sent_message> queue;  // one delivered to its dialog in each pump step

    // What the engine asked for.
    std::vector<dialog_template> templates;
    std::map<window_handle, fake_control> controls;
    std::vector<window_handle> control_order;
    std::vector<sent_message> sent;
    std::vector<std::pair<window_handle, int>> shown;
    std::vector<window_handle> destroyed;
    std::vector<std::pair<window_handle, bool>> enabled;
    std::vector<window_handle> steps;  // the keyboard dialog each pump step was given
    std::vector<std::tuple<window_handle, std::string, std::string>>
        warnings;  // owner, caption, text

    window_handle create_dialog(const dialog_template& form, dialog_procedure procedure) override {
        templates.push_back(form);
        if (refuse_dialogs) return 0;
        const window_handle dialog = next_handle();
        dialogs_[dialog] = std::move(procedure);
        deliver(dialog, wm_initdialog, 0, 0);
        return dialog;
    }

    window_handle create_control(std::uint32_t ext_style, std::string_view class_name,
                                 std::string_view text, std::uint32_t style, const rect& pixels,
                                 window_handle parent, int id) override {
        if (!dialogs_.contains(parent) ||
            std::count(refused_ids.begin(), refused_ids.end(), id) != 0)
            return 0;
        const window_handle control = next_handle();
        controls[control] = fake_control{
            parent, id, std::string(class_name), std::string(text), style, ext_style, pixels};
        control_order.push_back(control);
        return control;
    }

    std::optional<rect> map_dialog_rect(window_handle dialog, const rect& units) override {
        if (!dialogs_.contains(dialog)) return std::nullopt;
        return map_dialog_units(units, base_x, base_y);
    }

    window_handle find_control(window_handle dialog, int id) override {
        for (const auto& [handle, control] : controls) {
            if (control.parent == dialog && control.id == id) return handle;
        }
        return 0;
    }

    std::string get_text(window_handle window) override {
        const auto found = controls.find(window);
        return found == controls.end() ? std::string{} : found->second.text;
    }

    bool set_text(window_handle window, std::string_view text) override {
        const auto found = controls.find(window);
        if (found == controls.end()) return false;
        found->second.text = text;
        return true;
    }

    std::intptr_t send_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) override {
        sent.push_back({window, message, wparam, lparam});
        if (dialogs_.contains(window)) {
            const std::intptr_t result = deliver(window, message, wparam, lparam);
            if (result != 0) return result;
            return message == wm_getfont ? static_cast<std::intptr_t>(dialog_font) : 0;
        }
        const auto found = controls.find(window);
        if (found == controls.end()) return 0;
        if (message == wm_setfont) found->second.font = wparam;
        if (message == bm_setcheck) found->second.check = static_cast<std::intptr_t>(wparam);
        if (message == bm_getcheck) return found->second.check;
        return 0;
    }

    void show(window_handle window, int show_command) override {
        shown.emplace_back(window, show_command);
    }

    bool destroy(window_handle window) override {
        destroyed.push_back(window);
        if (refuse_destroy || !dialogs_.contains(window)) return false;
        deliver(window, wm_destroy, 0, 0);
        deliver(window, wm_ncdestroy, 0, 0);
        std::erase_if(controls,
                      [window](const auto& entry) { return entry.second.parent == window; });
        dialogs_.erase(window);
        return true;
    }

    bool is_window(window_handle window) override {
        return dialogs_.contains(window) || controls.contains(window);
    }
    window_handle owner(window_handle) override { return dialog_owner; }
    void enable(window_handle window, bool on) override { enabled.emplace_back(window, on); }
    void warn(window_handle owner, std::string_view caption, std::string_view text) override {
        warnings.emplace_back(owner, caption, text);
    }

    void pump_step(window_handle keyboard_dialog) override {
        steps.push_back(keyboard_dialog);
        if (queue.empty()) return;
        const sent_message next = queue.front();
        queue.pop_front();
        deliver(next.window, next.message, next.wparam, next.lparam);
    }

    // What the platform itself sends a dialog (activation, the close box, a click).
    std::intptr_t deliver(window_handle dialog, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) {
        const auto found = dialogs_.find(dialog);
        if (found == dialogs_.end()) return 0;
        const dialog_procedure procedure = found->second;
        return procedure(dialog, message, wparam, lparam);
    }

    std::vector<sent_message> sent_of(std::uint32_t message) const {
        std::vector<sent_message> matching;
        for (const sent_message& m : sent) {
            if (m.message == message) matching.push_back(m);
        }
        return matching;
    }

  private:
    window_handle next_handle() { return handle_counter_ += 0x10; }

    window_handle handle_counter_ = 0x1000;
    std::map<window_handle, dialog_procedure> dialogs_;
};

}  // namespace quillon::ui::testing
