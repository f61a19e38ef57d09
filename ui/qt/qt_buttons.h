// The buttons whose behaviour Qt's own widgets do not have, and the button messages.
#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <cstdint>

namespace quillon::ui {

// An automatic radio button. Qt's autoExclusive groups by parent, but both groups of a dialog
// share it; the group here runs from one WS_GROUP control to the next in creation order, which
// the dialog keeps. A click always checks, never unchecks.
class qt_auto_radio_button final : public QRadioButton {
  public:
    qt_auto_radio_button(const QString& text, QWidget* parent);

  protected:
    void nextCheckState() override;
};

// An automatic check box. A click ticks a box that is not ticked, indeterminate included, and
// clears a ticked one; it never makes the box indeterminate, which only BM_SETCHECK does.
class qt_auto_check_box final : public QCheckBox {
  public:
    qt_auto_check_box(const QString& text, QWidget* parent);

  protected:
    void nextCheckState() override;
};

// BM_GETCHECK: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; 0 for what is not a check box
// or radio button.
std::intptr_t button_check(const QWidget& widget);

// BM_SETCHECK: only this button changes, as on the platform; its group is not consulted.
void set_button_check(QWidget& widget, std::uintptr_t state);

}  // namespace quillon::ui
