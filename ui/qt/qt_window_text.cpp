#include "ui/qt/qt_window_text.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QWidget>

#include "ui/cp1252.h"

namespace quillon::ui {

namespace {

// Text boxes report line breaks as 13 10; the document holds paragraph and line separators.
std::u32string to_window_characters(const QString& text) {
    std::u32string characters;
    for (const char32_t character : text.toUcs4()) {
        if (character == 0x2029 || character == 0x2028) {
            characters += U"\r\n";
        } else {
            characters += character;
        }
    }
    return characters;
}

QString text_of(const QWidget& widget) {
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(&widget)) {
        // toPlainText() would turn non-breaking spaces into blanks; the raw text keeps them.
        return box->document()->toRawText();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(&widget)) return frame->title();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
    return widget.windowTitle();
}

}  // namespace

QString from_window_bytes(std::string_view bytes) {
    const std::u32string text = decode_cp1252(bytes);
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

QString to_plain_lines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    return text;
}

std::string window_text(const QWidget& widget) {
    return encode_cp1252(to_window_characters(text_of(widget)));
}

std::u32string window_characters(const QWidget& widget) {
    return to_window_characters(text_of(widget));
}

void set_window_text(QWidget& widget, std::string_view text) {
    const QString value = from_window_bytes(text);
    if (auto* box = qobject_cast<QPlainTextEdit*>(&widget)) {
        box->setPlainText(to_plain_lines(value));
    } else if (auto* frame = qobject_cast<QGroupBox*>(&widget)) {
        frame->setTitle(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setText(value);
    } else {
        widget.setWindowTitle(value);
    }
}

}  // namespace quillon::ui
