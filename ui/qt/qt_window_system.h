// The window system on Qt 6 Widgets: a dialog is a plain top-level QWidget (a QDialog would
// close itself on Escape), the controls are the Qt widgets that look and behave like the Win32
// classes and styles asked for, and platform events become the messages a Win32 dialog would be
// sent, delivered synchronously to the dialog procedure.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ui/qt/idle_pause.h"
#include "ui/window_system.h"

class QApplication;

namespace quillon::ui {

class qt_keyboard_filter;

class qt_window_system final : public window_system {
  public:
    // Creates the QApplication (with the program's name only) unless one exists already. When
    // no display can be opened, writes "cannot open the display: REASON" as one line on standard
    // error and ends the process with status 1: Qt gives up there with a fatal message, after
    // which no error can be returned.
    explicit qt_window_system(const char* program_name);
    ~qt_window_system() override;

    window_handle create_dialog(const dialog_template& form, dialog_procedure procedure) override;
    window_handle create_control(std::uint32_t ext_style, std::string_view class_name,
                                 std::string_view text, std::uint32_t style, const rect& pixels,
                                 window_handle parent, int id) override;
    std::optional<rect> map_dialog_rect(window_handle dialog, const rect& units) override;
    window_handle find_control(window_handle dialog, int id) override;
    std::string get_text(window_handle window) override;
    bool set_text(window_handle window, std::string_view text) override;
    std::intptr_t send_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) override;
    void show(window_handle window, int show_command) override;
    bool destroy(window_handle window) override;
    bool is_window(window_handle window) override;
    window_handle owner(window_handle window) override;
    void enable(window_handle window, bool enabled) override;
    std::optional<queued_message> take_message() override;
    bool offer_to_dialog(window_handle dialog, const queued_message& message) override;
    void dispatch(const queued_message& message) override;
    void sleep_briefly() override;

    // For tests and screenshots: the widget behind a handle, or null.
    QWidget* widget(window_handle window) const;
    // The dialog's base units in pixels (average character width, character height).
    std::pair<int, int> base_units(window_handle dialog) const;

    // Called by the widgets: hands a message to the dialog procedure of dialog.
    std::intptr_t deliver(window_handle dialog, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam);
    window_handle handle_of(const QWidget* widget) const;
    int control_id(window_handle control) const;
    // The dialog whose keyboard handling is applied to the events being processed, or 0.
    window_handle keyboard_dialog() const { return keyboard_dialog_; }
    // Whether the control keeps Enter for itself (a multi-line text box with ES_WANTRETURN).
    bool wants_return(window_handle control) const;
    // Checks an automatic radio button and clears the others of its WS_GROUP group.
    void check_in_group(window_handle radio);

  private:
    struct dialog_state {
        dialog_procedure procedure;
        std::uintptr_t font = 0;
        int base_x = 0, base_y = 0;
        std::uint32_t style = 0;
        std::vector<window_handle> controls;  // in creation order
    };
    struct window_state {
        QPointer<QWidget> widget;
        window_handle dialog = 0;  // itself for a dialog
        int id = 0;
        std::uint32_t style = 0;
        std::uintptr_t font = 0;
    };

    window_handle add_window(QWidget* widget, window_handle dialog, int id, std::uint32_t style);
    std::uintptr_t add_font(const QFont& font);
    void process_pending();
    void forget(window_handle window);

    // argc and argv must outlive the QApplication, which keeps references to them.
    int argc_ = 1;
    std::string program_name_;
    std::vector<char*> argv_;
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<qt_keyboard_filter> keyboard_filter_;

    window_handle next_handle_ = 0x10000;
    std::map<window_handle, window_state> windows_;
    std::map<window_handle, dialog_state> dialogs_;
    std::vector<QFont> fonts_;  // a font handle is its index plus one
    window_handle keyboard_dialog_ = 0;

    // Whether Qt's event dispatcher runs on glib's default context, which can be asked whether
    // anything is pending without dispatching it.
    bool glib_dispatcher_ = false;
    bool fallback_turn_ = false;
    idle_pause idle_pause_;
};

}  // namespace quillon::ui
