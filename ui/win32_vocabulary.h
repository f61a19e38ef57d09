// The Win32 names the window is described in: message numbers, notification codes and style
// bits with their Win32 values. The dialog engine and the main window speak this vocabulary on
// every platform, so that the same table of controls drives the Qt window and a native one.
//
// On Windows the platform header defines these very names as macros with the same values, so
// they are taken from there instead; defining them here as well would collide with the macros.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else

// Messages.
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_SETFONT = 0x0030;
inline constexpr std::uint32_t WM_GETFONT = 0x0031;
inline constexpr std::uint32_t WM_NCDESTROY = 0x0082;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_HSCROLL = 0x0114;
inline constexpr std::uint32_t WM_VSCROLL = 0x0115;
inline constexpr std::uint32_t BM_GETCHECK = 0x00F0;
inline constexpr std::uint32_t BM_SETCHECK = 0x00F1;

// WM_ACTIVATE states (low word of wParam).
inline constexpr std::uint32_t WA_INACTIVE = 0;
inline constexpr std::uint32_t WA_ACTIVE = 1;
inline constexpr std::uint32_t WA_CLICKACTIVE = 2;

// WM_SYSCOMMAND command (low word of wParam).
inline constexpr std::uint32_t SC_CLOSE = 0xF060;

// Button notifications (high word of wParam in WM_COMMAND) and check states.
inline constexpr std::uint32_t BN_CLICKED = 0;
inline constexpr std::uint32_t BN_SETFOCUS = 6;
inline constexpr std::uint32_t BN_KILLFOCUS = 7;
inline constexpr std::uint32_t BST_UNCHECKED = 0;
inline constexpr std::uint32_t BST_CHECKED = 1;
inline constexpr std::uint32_t BST_INDETERMINATE = 2;

// Command ids the dialog keyboard handling issues for Enter and Escape.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Show commands.
inline constexpr int SW_SHOW = 5;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;

// Dialog styles.
inline constexpr std::uint32_t DS_SYSMODAL = 0x0002;
inline constexpr std::uint32_t DS_3DLOOK = 0x0004;
inline constexpr std::uint32_t DS_NOFAILCREATE = 0x0010;
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;
inline constexpr std::uint32_t DS_CENTER = 0x0800;

// Button styles: the low four bits are the button type.
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_CHECKBOX = 0x0002;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr std::uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr std::uint32_t BS_GROUPBOX = 0x0007;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x0009;
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;

// Static and edit styles.
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;
inline constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000;

#endif

namespace quillon::ui {

// The parts of wParam that Win32 packs as two 16-bit words.
constexpr std::uint32_t low_word(std::uintptr_t value) { return value & 0xFFFFu; }
constexpr std::uint32_t high_word(std::uintptr_t value) { return (value >> 16) & 0xFFFFu; }
constexpr std::uintptr_t make_wparam(std::uint32_t low, std::uint32_t high) {
    return (std::uintptr_t{high & 0xFFFFu} << 16) | (low & 0xFFFFu);
}

}  // namespace quillon::ui
