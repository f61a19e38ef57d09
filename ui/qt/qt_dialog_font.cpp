#include "ui/qt/qt_dialog_font.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QString>

#include "ui/dialog_units.h"

namespace quillon::ui {

namespace {

// A real face of the classic dialog font, from Debian's fonts-wine. It is not installed
// system-wide, so the application loads it itself.
constexpr const char* bundled_dialog_face = "/usr/share/wine/fonts/ms_sans_serif.ttf";
// Has the same advance widths as the classic sans faces, so the layout keeps its proportions.
constexpr const char* metric_alike = "Liberation Sans";

QStringList loaded_families() {
    static const QStringList families = [] {
        if (!QFile::exists(bundled_dialog_face)) return QStringList{};
        const int id = QFontDatabase::addApplicationFont(bundled_dialog_face);
        return id < 0 ? QStringList{} : QFontDatabase::applicationFontFamilies(id);
    }();
    return families;
}

}  // namespace

QFont make_dialog_font(std::string_view typeface, int point_size) {
    const QString wanted =
        QString::fromLatin1(typeface.data(), static_cast<qsizetype>(typeface.size()));
    const bool available = loaded_families().contains(wanted, Qt::CaseInsensitive) ||
                           QFontDatabase::families().contains(wanted, Qt::CaseInsensitive);
    QFont font(available ? wanted : QString::fromLatin1(metric_alike));

    // A point size becomes a character height of -MulDiv(points, logical dpi, 72) on the
    // platform; a pixel size keeps Qt from rounding it differently.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY() + 0.5) : 96;
    font.setPixelSize(mul_div(point_size, dpi, 72));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

std::pair<int, int> dialog_base_units(const QFont& font) {
    // averageCharWidth() is meaningless for bitmap faces; the platform averages the letters.
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {average_width_of_letters(advance), metrics.height()};
}

}  // namespace quillon::ui
