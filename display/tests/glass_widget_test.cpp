// The window's glass drawn headless (QT_QPA_PLATFORM=offscreen) and read back pixel by pixel:
// where the dots of a cell are, which are lit, the cursors and the backlight colours.
#include "display/qt/glass_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "display/controller.h"
#include "display/tests/commands.h"

namespace quillon::display {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "glass_widget_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// The glass of a 20x4 (631x236 with its frame) after the bytes, as pixels.
QImage drawn(const std::string& bytes, backlight light = backlight::yellow_green) {
    application();
    serial_module module({20, 4});
    module.feed(bytes);
    glass_widget glass({20, 4}, light);
    glass.resize(glass.sizeHint());
    glass.show_screen(module.view());
    return glass.grab().toImage();
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

constexpr QRgb bezel = 0x1A1A1A;
constexpr QRgb glass = 0xA6C44C;
constexpr QRgb lit = 0x1E2A0C;
constexpr QRgb unlit = 0x9AB844;

TEST(glass_widget, draws_each_dot_of_a_character_where_the_layout_puts_it) {
    const QImage image = drawn("I");
    ASSERT_EQ(image.size(), QSize(631, 236));
    // The glass starts 12 pixels in; cell (0,0) 16 pixels further; dots are 4 pixels, 1 apart.
    const struct {
        int x, y;
        QRgb colour;
    } table[] = {
        {0, 0, bezel}, {11, 11, bezel}, {12, 12, glass},   {28, 28, unlit},  // dot (0,0)
        {33, 28, lit}, {36, 31, lit},   {32, 28, glass},   {38, 28, lit},    // dots (0,1-2)
        {43, 28, lit}, {48, 28, unlit}, {38, 33, lit},     {33, 33, unlit},  // rows 0-1
        {38, 58, lit}, {38, 63, unlit}, {630, 235, bezel},
    };
    for (const auto& row : table) {
        EXPECT_EQ(at(image, row.x, row.y), row.colour) << row.x << "," << row.y;
    }
}

TEST(glass_widget, cursors_and_the_display_switch) {
    // Cell (1,0) is at (28,75) in the widget; its dot row 7 at y 110, row 6 at y 105.
    const struct {
        const char* what;
        std::string bytes;
        int x, y;
        QRgb colour;
    } table[] = {
        {"underline cursor, row 7", I(0xC0) + I(0x0E), 29, 111, lit},
        {"underline cursor, row 6", I(0xC0) + I(0x0E), 29, 106, unlit},
        {"no cursor", I(0xC0) + I(0x0C), 29, 111, unlit},
        {"blinking block starts lit", I(0xC0) + I(0x0D), 29, 76, lit},
        {"display off hides the text", "I" + I(0x08), 33, 28, unlit},
        {"display off hides the cursor", I(0xC0) + I(0x0B), 29, 111, unlit},
    };
    for (const auto& row : table) {
        EXPECT_EQ(at(drawn(row.bytes), row.x, row.y), row.colour) << row.what;
    }
}

TEST(glass_widget, a_user_character_and_the_backlights) {
    const QImage defined = drawn(I(0x40) + std::string(8, '\x1F') + I(0x80) + std::string(1, '\0'));
    EXPECT_EQ(at(defined, 28, 28), lit);
    EXPECT_EQ(at(defined, 48, 63), lit);  // dot (7,4)

    const QImage blue = drawn("I", backlight::blue_white);
    EXPECT_EQ(at(blue, 12, 12), 0x2443C8u);
    EXPECT_EQ(at(blue, 33, 28), 0xEEF4FFu);
    const QImage vfd = drawn("I", backlight::vfd_cyan);
    EXPECT_EQ(at(vfd, 0, 0), 0x000000u);
    EXPECT_EQ(at(vfd, 33, 28), 0x5CFFE6u);
    EXPECT_EQ(at(vfd, 28, 28), 0x0D201Cu);
}

// Katakana have no dot picture of ours: a font writes them inside their cell, and nowhere else.
TEST(glass_widget, other_codes_are_written_inside_their_cell) {
    const QImage image = drawn(std::string(1, '\xB1'));
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (at(image, x, y) == glass || at(image, x, y) == unlit || at(image, x, y) == bezel) {
                continue;
            }
            (x >= 28 && x < 52 && y >= 28 && y < 67 ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace quillon::display
