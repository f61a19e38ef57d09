// Window text on Qt: the bytes of code page 1252 that cross the window-system interface, with
// line breaks as 13 10, to and from the text Qt's widgets hold.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace quillon::ui {

QString from_window_bytes(std::string_view bytes);

// Any of 13 10, a lone 13 or a lone 10 as the one line break a text box holds.
QString to_plain_lines(QString text);

// What GetWindowTextA gives for the widget: a text box's text, a button's or frame's label, a
// label's text, a dialog's caption.
std::string window_text(const QWidget& widget);
// The same text before the code page: every character the widget holds.
std::u32string window_characters(const QWidget& widget);

// What SetWindowTextA does to the widget.
void set_window_text(QWidget& widget, std::string_view text);

}  // namespace quillon::ui
