#include "ui/qt/qt_controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "ui/dialog_vocabulary.h"
#include "ui/qt/qt_buttons.h"
#include "ui/qt/qt_window_text.h"

namespace quillon::ui {

namespace {

// Window class names are not case-sensitive on the platform.
bool same_class(std::string_view name, std::string_view wanted) {
    return std::ranges::equal(
        name, wanted, [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; });
}

QWidget* make_button(std::uint32_t style, const QString& label, QWidget& parent) {
    switch (style & bs_typemask) {
        case bs_groupbox: {
            auto* frame = new QGroupBox(label, &parent);
            // A group box lets clicks through to what lies inside it.
            frame->setAttribute(Qt::WA_TransparentForMouseEvents);
            return frame;
        }
        case bs_autoradiobutton:
            return new qt_auto_radio_button(label, &parent);
        case bs_autocheckbox:
            return new qt_auto_check_box(label, &parent);
        case bs_pushbutton:
        case bs_defpushbutton: {
            auto* button = new QPushButton(label, &parent);
            button->setAutoDefault(false);
            button->setDefault((style & bs_typemask) == bs_defpushbutton);
            return button;
        }
        default:
            return nullptr;  // button types the window has no use for
    }
}

QWidget* make_static(std::uint32_t style, const QString& label, QWidget& parent) {
    if ((style & 0x1F) != ss_left) return nullptr;
    auto* text = new QLabel(label, &parent);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextFormat(Qt::PlainText);
    return text;
}

QWidget* make_edit(std::uint32_t ext_style, std::uint32_t style, const QString& text,
                   QWidget& parent) {
    if (!(style & es_multiline)) return nullptr;
    auto* box = new QPlainTextEdit(&parent);
    // No ES_AUTOHSCROLL: lines wrap at the right edge, never scroll sideways.
    box->setLineWrapMode((style & es_autohscroll) ? QPlainTextEdit::NoWrap
                                                  : QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy((style & ws_vscroll) ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy((style & ws_hscroll) ? Qt::ScrollBarAlwaysOn
                                                           : Qt::ScrollBarAlwaysOff);
    if (!(ext_style & ws_ex_clientedge)) box->setFrameShape(QFrame::NoFrame);
    // Tab moves between the dialog's controls, as in a dialog box.
    box->setTabChangesFocus(true);
    box->setPlainText(to_plain_lines(text));
    return box;
}

}  // namespace

QWidget* make_control(std::uint32_t ext_style, std::string_view class_name, std::string_view text,
                      std::uint32_t style, const rect& pixels, QWidget& parent) {
    if (!(style & ws_child)) return nullptr;
    const QString label = from_window_bytes(text);
    QWidget* control = nullptr;
    if (same_class(class_name, "BUTTON")) {
        control = make_button(style, label, parent);
    } else if (same_class(class_name, "STATIC")) {
        control = make_static(style, label, parent);
    } else if (same_class(class_name, "EDIT")) {
        control = make_edit(ext_style, style, label, parent);
    }
    if (control == nullptr) return nullptr;

    control->setGeometry(pixels.left, pixels.top, pixels.right - pixels.left,
                         pixels.bottom - pixels.top);
    // Frames and labels never take the focus; the others take it by Tab only with WS_TABSTOP.
    const bool takes_focus = !qobject_cast<QGroupBox*>(control) && !qobject_cast<QLabel*>(control);
    control->setFocusPolicy(!takes_focus           ? Qt::NoFocus
                            : (style & ws_tabstop) ? Qt::StrongFocus
                                                   : Qt::ClickFocus);
    control->setVisible(style & ws_visible);
    return control;
}

}  // namespace quillon::ui
