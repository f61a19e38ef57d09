// The dialog manager's keyboard rules on Qt, as an application-wide event filter: Enter outside
// a control that keeps it is the default command (IDOK) or the focused push button's, Escape is
// IDCANCEL, the arrows tick the next radio button of a group, and Alt+F4 is the system's close.
// Enter, Escape and the arrows apply only to the input handled while a dialog is offered the
// keyboard handling, as IsDialogMessage applies them only to the messages it is given; Alt+F4
// applies always, as the system handles it.
#pragma once

#include <QObject>
#include <QPointer>

#include "ui/qt/qt_dialog_window.h"

namespace quillon::ui {

class qt_dialog_keyboard final : public QObject {
  public:
    // Watches every event of the application from now on.
    qt_dialog_keyboard();
    ~qt_dialog_keyboard() override;
    qt_dialog_keyboard(const qt_dialog_keyboard&) = delete;
    qt_dialog_keyboard& operator=(const qt_dialog_keyboard&) = delete;

    // The dialog whose keyboard handling applies to the input handled from now on; null for none.
    void offer_to(qt_dialog_window* dialog) { dialog_ = dialog; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<qt_dialog_window> dialog_;
};

}  // namespace quillon::ui
