// The main window as it must come out, written down literally: every control in creation order
// with its class, text, styles and pixel rectangle at base units of 6 x 13 pixels (the
// "MS Sans Serif" 8 face of Debian's fonts-wine, and the fake window system's units).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/window_system.h"

namespace quillon::ui::testing {

struct expected_control {
    int id;
    std::string_view class_name;
    std::string_view text;
    std::uint32_t style;
    std::uint32_t ext_style;
    rect pixels;       // left, top, right, bottom
    bool has_handler;  // the frames and the hint have none
};

inline constexpr std::string_view expected_caption = "Quillon v1.1b  https://quillon.example.org/";
// The client area: 213 x 148 dialog units.
inline constexpr int expected_width = 320;
inline constexpr int expected_height = 241;

// clang-format off
inline constexpr std::array<expected_control, 18> expected_controls = {{
    {100, "BUTTON", "Comm Port", 0x50000007, 0x20, {140, 8, 312, 76}, false},
    {105, "BUTTON", "Baud Rate", 0x50000007, 0x20, {8, 8, 135, 76}, false},
    {110, "STATIC", "Type text and press Send. To send by ASCII code, type <#> where # is the code (0-255).",
     0x50000000, 0, {12, 192, 197, 232}, false},
    {115, "BUTTON", "9600", 0x50030009, 0, {17, 24, 65, 44}, true},
    {120, "BUTTON", "4800", 0x50010009, 0, {17, 49, 69, 68}, true},
    {125, "BUTTON", "2400", 0x50010009, 0, {72, 24, 120, 44}, true},
    {130, "BUTTON", "1200", 0x50010009, 0, {72, 49, 120, 68}, true},
    {135, "BUTTON", "1", 0x50030009, 0, {149, 24, 177, 44}, true},
    {140, "BUTTON", "2", 0x50010009, 0, {149, 49, 180, 68}, true},
    {145, "BUTTON", "3", 0x50010009, 0, {185, 24, 221, 44}, true},
    {150, "BUTTON", "4", 0x50010009, 0, {185, 49, 221, 68}, true},
    {155, "BUTTON", "5", 0x50010009, 0, {224, 24, 255, 44}, true},
    {160, "BUTTON", "6", 0x50010009, 0, {224, 49, 255, 68}, true},
    {165, "BUTTON", "7", 0x50010009, 0, {264, 24, 300, 44}, true},
    {170, "BUTTON", "8", 0x50010009, 0, {264, 49, 300, 68}, true},
    {175, "EDIT", "", 0x50211044, 0x200, {8, 88, 312, 159}, true},
    {180, "BUTTON", "Clear text box after sending data.", 0x50010003, 0, {17, 167, 213, 187}, true},
    {1, "Button", "Send", 0x50010001, 0, {228, 184, 308, 208}, true},
}};
// clang-format on

}  // namespace quillon::ui::testing
