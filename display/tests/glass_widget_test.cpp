// The window's glass drawn headless (QT_QPA_PLATFORM=offscreen) and read back pixel by pixel:
// where the dots of a cell or a graphic module's pixels are, which are lit, the cursors, the
// looks and what the module's backlight, brightness and bell do to them.
#include "display/qt/glass_widget.h"

#include <gtest/gtest.h>

#include <QImage>

#include "display/module.h"
#include "display/tests/commands.h"
#include "display/tests/qt_application.h"

namespace quillon::display {
namespace {

using namespace std::string_literals;

// The glass of a module after the bytes, at the size a new window gives it, as pixels.
QImage drawn_on(profile module, display_size size, const std::string& bytes,
                backlight light = backlight::yellow_green, rom table = rom::a00) {
    application();
    const auto emulated = make_module(module, size, table);
    glass_widget glass(emulated->view(), light);
    glass.resize(glass.sizeHint());
    emulated->feed(bytes);
    glass.show_screen(emulated->view());
    return glass.grab().toImage();
}

// The glass of an HD44780 20x4 (631x236 with its frame).
QImage drawn(const std::string& bytes, backlight light = backlight::yellow_green,
             rom table = rom::a00) {
    return drawn_on(profile::hd44780, {20, 4}, bytes, light, table);
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

// Katakana, Greek letters and symbols are dots like any letter: cell (0,0) starts at (28,28),
// its dots 4 pixels with a pitch of 5.
TEST(glass_widget, every_code_is_drawn_in_dots) {
    const QImage katakana_a = drawn("\xB1");
    const struct {
        int x, y;
        QRgb colour;
    } table[] = {{28, 28, lit}, {48, 28, lit}, {28, 33, unlit}, {48, 33, lit}, {33, 58, lit}};
    for (const auto& row : table) {
        EXPECT_EQ(at(katakana_a, row.x, row.y), row.colour) << row.x << "," << row.y;
    }
    // No font stroke: with 80 codes of the upper half on the glass, every pixel is bezel,
    // glass or a dot.
    std::string upper;
    for (int code = 0xA0; code < 0xF0; ++code) upper += static_cast<char>(code);
    for (const rom table : {rom::a00, rom::a02}) {
        const QImage image = drawn(I(0x80) + upper.substr(0, 20) + I(0xC0) + upper.substr(20, 20) +
                                       I(0x94) + upper.substr(40, 20) + I(0xD4) + upper.substr(60),
                                   backlight::yellow_green, table);
        int others = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = at(image, x, y);
                others += c != glass && c != unlit && c != bezel && c != lit;
            }
        }
        EXPECT_EQ(others, 0);
    }
}

// A text module's 20x4 has the HD44780's geometry: cell (0,0) at (28,28), dots 4 pixels with a
// pitch of 5; so has the VFD's 20x2. The LCD's backlight is off at power-up.
TEST(glass_widget, a_text_module_with_its_backlight_off_and_a_user_character) {
    const std::string box = "\x1b\x44\x00\x1f\x11\x11\x11\x11\x11\x1f\x00\x80"s;  // ESC D 0 ...
    const struct {
        const char* what;
        profile module;
        std::string bytes;
        int x, y;
        QRgb colour;
    } table[] = {
        {"unlit glass", profile::text, box, 12, 12, 0x8A9868},
        {"user character 0 at 128, dot (0,0)", profile::text, box, 28, 28, 0x1E2A0C},
        {"its dot (1,1)", profile::text, box, 33, 33, 0x829060},
        {"its dot (6,4)", profile::text, box, 48, 58, 0x1E2A0C},
        {"backlight on", profile::text, box + "\x0e", 12, 12, 0xA6C44C},
        {"blinking block starts lit", profile::text, "\x06", 33, 33, 0x1E2A0C},
        {"the bell marks the bezel", profile::text, "\x07", 0, 0, 0xC08A2A},
        {"a VFD at a quarter brightness", profile::text_vfd, "\x1b\x30I", 38, 28, 0x2C796C},
        {"a VFD switched off", profile::text_vfd, "I\x0f", 38, 28, 0x0D201C},
    };
    for (const auto& row : table) {
        const backlight look =
            row.module == profile::text_vfd ? backlight::vfd_cyan : backlight::yellow_green;
        const display_size size = facts(row.module).default_size;
        EXPECT_EQ(at(drawn_on(row.module, size, row.bytes, look), row.x, row.y), row.colour)
            << row.what;
    }
}

// Pixel (x,y) of the 120x32 is the 4x4 square at (28 + 5x, 28 + 5y) of a 655x215 glass.
TEST(glass_widget, a_graphic_module_shows_its_pixels_as_square_dots) {
    // Backlight on, a point at (10,5) and a line along the bottom row from x 0 to 119.
    const QImage image =
        drawn_on(profile::graphic, {120, 32}, "\x0e\x1bP\x0a\x05\x1bL\x00\x1f\x77\x1f"s);
    ASSERT_EQ(image.size(), QSize(655, 215));
    // Areas of one colour; a row of dots also has the glass between them, every fifth column.
    const struct {
        QRect area;
        QRgb colour;
        bool dots_in_a_row;
    } table[] = {
        {{78, 53, 4, 4}, lit, false},       // pixel (10,5)
        {{77, 52, 1, 6}, glass, false},     // the gap on its left
        {{73, 53, 4, 4}, unlit, false},     // pixel (9,5)
        {{28, 183, 599, 4}, lit, true},     // the bottom row
        {{28, 28, 599, 4}, unlit, true},    // the top row
        {{12, 12, 631, 16}, glass, false},  // the margin above the pixels
        {{0, 0, 655, 12}, bezel, false},
    };
    for (const auto& row : table) {
        for (int y = row.area.top(); y <= row.area.bottom(); ++y) {
            for (int x = row.area.left(); x <= row.area.right(); ++x) {
                const bool gap = row.dots_in_a_row && (x - row.area.left()) % 5 == 4;
                ASSERT_EQ(at(image, x, y), gap ? glass : row.colour) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace quillon::display
