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
std::string to_window_bytes(const QString& text) {
    std::u32string characters;
    for (const char32_t character : text.toUcs4()) {
        if (character == 0x2029 || character == 0x2028) {
            characters += U"\r\n";
        } else {
            characters += character;
        }
    }
    return encode_cp1252(characters);
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
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(&widget)) {
        // toPlainText() would turn non-breaking spaces into blanks; the raw text keeps them.
        return to_window_bytes(box->document()->toRawText());
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(&widget)) {
        return to_window_bytes(frame->title());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        return to_window_bytes(button->text());
    }
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        return to_window_bytes(label->text());
    }
    return to_window_bytes(widget.windowTitle());
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
