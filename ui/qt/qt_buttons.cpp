#include "ui/qt/qt_buttons.h"

#include "ui/dialog_vocabulary.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillon::ui {

namespace {

// Qt numbers its check states Unchecked 0, PartiallyChecked 1, Checked 2; the button messages
// use BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2.
std::intptr_t to_button_state(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return bst_unchecked;
        case Qt::Checked:
            return bst_checked;
        case Qt::PartiallyChecked:
            return bst_indeterminate;
    }
    return bst_unchecked;
}

Qt::CheckState to_check_state(std::uintptr_t button_state) {
    if (button_state == bst_unchecked) return Qt::Unchecked;
    if (button_state == bst_checked) return Qt::Checked;
    // BST_INDETERMINATE; a larger value, which names no state, is taken as the highest one.
    return Qt::PartiallyChecked;
}

}  // namespace

qt_auto_radio_button::qt_auto_radio_button(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {
    setAutoExclusive(false);
}

void qt_auto_radio_button::nextCheckState() {
    if (qt_dialog_window* dialog = qt_dialog_window::of(this)) dialog->check_in_group(this);
}

qt_auto_check_box::qt_auto_check_box(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

void qt_auto_check_box::nextCheckState() {
    // QCheckBox would go from unchecked to partially checked once BM_SETCHECK had made it
    // tristate; setCheckState also emits stateChanged, as QCheckBox's own step does.
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

std::intptr_t button_check(const QWidget& widget) {
    if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        return to_button_state(box->checkState());
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(&widget)) {
        return radio->isChecked() ? bst_checked : bst_unchecked;
    }
    return 0;
}

void set_button_check(QWidget& widget, std::uintptr_t state) {
    if (auto* box = qobject_cast<QCheckBox*>(&widget)) {
        box->setCheckState(to_check_state(state));
    } else if (auto* radio = qobject_cast<QRadioButton*>(&widget)) {
        radio->setChecked(state == bst_checked);
    }
}

}  // namespace quillon::ui
