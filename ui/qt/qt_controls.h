// The Qt widgets that stand for a Win32 dialog and the controls whose behaviour Qt's own widgets
// do not have, plus the dialog keyboard handling.
#pragma once

#include <QCheckBox>
#include <QObject>
#include <QRadioButton>
#include <QWidget>

#include "ui/window_system.h"

namespace quillon::ui {

class qt_window_system;

// A dialog: the close box, the window manager's close and activation become messages.
class qt_dialog_window final : public QWidget {
  public:
    qt_dialog_window(qt_window_system& windows, Qt::WindowFlags flags);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    qt_window_system& windows_;
};

// An automatic radio button. Qt's autoExclusive groups by parent, but both groups of a dialog
// share it; the group here runs from one WS_GROUP control to the next in creation order. A click
// always checks, never unchecks.
class qt_auto_radio_button final : public QRadioButton {
  public:
    qt_auto_radio_button(qt_window_system& windows, const QString& text, QWidget* parent);

  protected:
    void nextCheckState() override;

  private:
    qt_window_system& windows_;
};

// An automatic check box. A click ticks a box that is not ticked, indeterminate included, and
// clears a ticked one; it never makes the box indeterminate, which only BM_SETCHECK does.
class qt_auto_check_box final : public QCheckBox {
  public:
    qt_auto_check_box(const QString& text, QWidget* parent);

  protected:
    void nextCheckState() override;
};

// The dialog keyboard handling and Alt+F4, as an application-wide event filter: Enter outside a
// control that keeps it is the default command (IDOK), Escape is IDCANCEL. It applies only to
// the events processed while the window system offers them to a dialog.
class qt_keyboard_filter final : public QObject {
  public:
    explicit qt_keyboard_filter(qt_window_system& windows);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    qt_window_system& windows_;
};

}  // namespace quillon::ui
