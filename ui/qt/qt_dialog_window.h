// A dialog on Qt: a plain top-level QWidget (a QDialog would close itself on Escape) that holds
// its own dialog procedure and its controls. The close box, the window manager's close and
// activation become the messages a Win32 dialog is sent; so do its buttons' clicks.
#pragma once

#include <QPointer>
#include <QRadioButton>
#include <QWidget>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/window_system.h"

namespace quillon::ui {

// What a dialog knows of one of its controls, given when the control is made.
struct qt_control {
    window_handle handle = 0;
    int id = 0;
    std::uint32_t style = 0;
    int group = 0;  // radio group: a new one starts at each WS_GROUP control
};

class qt_dialog_window final : public QWidget {
  public:
    // A hidden window made from the template: caption, font, fixed or sizable client area in
    // dialog units, centred with DS_CENTER. No message is sent yet.
    qt_dialog_window(window_handle handle, const dialog_template& form, dialog_procedure procedure);

    // The dialog a widget lies in, or null.
    static qt_dialog_window* of(const QWidget* widget);

    window_handle handle() const { return handle_; }
    // (average character width, character height) of the dialog's font, in pixels.
    std::pair<int, int> base_units() const { return {base_x_, base_y_}; }
    // Qualified: inside a QWidget, rect names QWidget::rect().
    ui::rect map_dialog_rect(const ui::rect& units) const;

    // Hands a message to this dialog's procedure, as the platform sends it.
    std::intptr_t deliver(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

    // Takes a control just made in this dialog, in creation order: a button's clicks become
    // WM_COMMAND notifications with its id.
    void adopt(QWidget& control, window_handle handle, int id, std::uint32_t style);
    void forget(const QWidget& control);

    // The control of this dialog that widget is, or null.
    const qt_control* control_of(const QWidget* widget) const;
    // GetDlgItem: the first control made with this id, or 0.
    window_handle control_with_id(int id) const;

    // Checks an automatic radio button and clears the others of its group.
    void check_in_group(const QRadioButton* radio);
    // The radio button `step` places after (before, when negative) this one in its group, in
    // creation order and round from the last to the first, skipping those that are disabled or
    // hidden; the button itself when it is the group's only one.
    QRadioButton* neighbour_in_group(const QRadioButton* radio, int step) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    window_handle handle_;
    dialog_procedure procedure_;
    int base_x_ = 0;
    int base_y_ = 0;
    int group_ = 0;
    std::unordered_map<const QWidget*, qt_control> controls_;
    std::unordered_map<int, std::vector<window_handle>> with_id_;  // in creation order
    std::unordered_map<int, std::vector<QPointer<QRadioButton>>> radio_groups_;
};

}  // namespace quillon::ui
