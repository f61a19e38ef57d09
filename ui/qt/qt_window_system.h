// The window system on Qt 6 Widgets. A handle names a widget: a dialog (qt_dialog_window, which
// holds its own procedure and controls) or a control made by make_control. The parts each have
// one job: qt_application makes the toolkit, qt_dialog_window is a dialog, qt_controls and
// qt_buttons make and answer controls, qt_dialog_keyboard is the dialog keyboard handling and
// qt_pump is the event loop's step.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/qt/qt_application.h"
#include "ui/qt/qt_dialog_keyboard.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_pump.h"
#include "ui/window_system.h"

namespace quillon::ui {

class qt_window_system final : public window_system {
  public:
    // Makes the QApplication unless one exists (see qt_application for a missing display).
    explicit qt_window_system(const char* program_name);
    ~qt_window_system() override;

    window_handle create_dialog(const dialog_template& form, dialog_procedure procedure) override;
    window_handle create_control(std::uint32_t ext_style, std::string_view class_name,
                                 std::string_view text, std::uint32_t style, const rect& pixels,
                                 window_handle parent, int id) override;
    std::optional<rect> map_dialog_rect(window_handle dialog, const rect& units) override;
    window_handle find_control(window_handle dialog, int id) override;
    std::string get_text(window_handle window) override;
    std::u32string get_characters(window_handle window) override;
    bool set_text(window_handle window, std::string_view text) override;
    std::intptr_t send_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) override;
    void show(window_handle window, int show_command) override;
    bool destroy(window_handle window) override;
    bool is_window(window_handle window) override;
    window_handle owner(window_handle window) override;
    void enable(window_handle window, bool enabled) override;
    void warn(window_handle owner, std::string_view caption, std::string_view text) override;
    void pump_step(window_handle keyboard_dialog) override;

    // For tests and screenshots: the widget behind a handle, or null.
    QWidget* widget(window_handle window) const;
    // The dialog's base units in pixels (average character width, character height).
    std::pair<int, int> base_units(window_handle dialog) const;

  private:
    struct entry {
        QPointer<QWidget> widget;
        QPointer<qt_dialog_window> dialog;  // the dialog it belongs to; itself for a dialog
        std::uintptr_t font = 0;            // WM_SETFONT's font handle
    };

    window_handle take_handle();
    qt_dialog_window* dialog(window_handle handle) const;
    std::uintptr_t add_font(const QFont& font);

    qt_application application_;
    qt_dialog_keyboard keyboard_;
    qt_pump pump_;

    window_handle next_handle_ = 0x10000;
    std::unordered_map<window_handle, entry> windows_;
    std::vector<QFont> fonts_;  // a font handle is its index plus one
};

}  // namespace quillon::ui
