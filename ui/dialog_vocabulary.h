// The Win32 names the window is described in: message numbers, notification codes and style
// bits with their Win32 values. The dialog engine and the main window speak this vocabulary on
// every platform, so that the same table of controls drives the Qt window and a native one.
//
// Each name is the Win32 macro's name in lower case: <windows.h> defines the upper-case names as
// macros, which would rewrite any identifier spelled the same. The Win32 backend checks every
// value here against that header (ui/win32/vocabulary_check.cpp).
#pragma once

#include <cstdint>

namespace quillon::ui {

// Messages.
inline constexpr std::uint32_t wm_destroy = 0x0002;
inline constexpr std::uint32_t wm_activate = 0x0006;
inline constexpr std::uint32_t wm_close = 0x0010;
inline constexpr std::uint32_t wm_setfont = 0x0030;
inline constexpr std::uint32_t wm_getfont = 0x0031;
inline constexpr std::uint32_t wm_ncdestroy = 0x0082;
inline constexpr std::uint32_t wm_initdialog = 0x0110;
inline constexpr std::uint32_t wm_command = 0x0111;
inline constexpr std::uint32_t wm_syscommand = 0x0112;
inline constexpr std::uint32_t wm_hscroll = 0x0114;
inline constexpr std::uint32_t wm_vscroll = 0x0115;
inline constexpr std::uint32_t bm_getcheck = 0x00F0;
inline constexpr std::uint32_t bm_setcheck = 0x00F1;

// WM_ACTIVATE states (low word of wParam).
inline constexpr std::uint32_t wa_inactive = 0;
inline constexpr std::uint32_t wa_active = 1;
inline constexpr std::uint32_t wa_clickactive = 2;

// WM_SYSCOMMAND command (low word of wParam).
inline constexpr std::uint32_t sc_close = 0xF060;

// Button notifications (high word of wParam in WM_COMMAND) and check states.
inline constexpr std::uint32_t bn_clicked = 0;
inline constexpr std::uint32_t bn_setfocus = 6;
inline constexpr std::uint32_t bn_killfocus = 7;
inline constexpr std::uint32_t bst_unchecked = 0;
inline constexpr std::uint32_t bst_checked = 1;
inline constexpr std::uint32_t bst_indeterminate = 2;

// Command ids the dialog keyboard handling issues for Enter and Escape.
inline constexpr int idok = 1;
inline constexpr int idcancel = 2;

// Show commands.
inline constexpr int sw_show = 5;

// Window styles.
inline constexpr std::uint32_t ws_popup = 0x80000000;
inline constexpr std::uint32_t ws_child = 0x40000000;
inline constexpr std::uint32_t ws_visible = 0x10000000;
inline constexpr std::uint32_t ws_caption = 0x00C00000;
inline constexpr std::uint32_t ws_vscroll = 0x00200000;
inline constexpr std::uint32_t ws_hscroll = 0x00100000;
inline constexpr std::uint32_t ws_sysmenu = 0x00080000;
inline constexpr std::uint32_t ws_thickframe = 0x00040000;
inline constexpr std::uint32_t ws_group = 0x00020000;
inline constexpr std::uint32_t ws_tabstop = 0x00010000;
inline constexpr std::uint32_t ws_minimizebox = 0x00020000;
inline constexpr std::uint32_t ws_maximizebox = 0x00010000;
inline constexpr std::uint32_t ws_ex_transparent = 0x00000020;
inline constexpr std::uint32_t ws_ex_clientedge = 0x00000200;

// Dialog styles.
inline constexpr std::uint32_t ds_sysmodal = 0x0002;
inline constexpr std::uint32_t ds_3dlook = 0x0004;
inline constexpr std::uint32_t ds_nofailcreate = 0x0010;
inline constexpr std::uint32_t ds_setfont = 0x0040;
inline constexpr std::uint32_t ds_modalframe = 0x0080;
inline constexpr std::uint32_t ds_center = 0x0800;

// Button styles: the low four bits are the button type.
inline constexpr std::uint32_t bs_pushbutton = 0x0000;
inline constexpr std::uint32_t bs_defpushbutton = 0x0001;
inline constexpr std::uint32_t bs_checkbox = 0x0002;
inline constexpr std::uint32_t bs_autocheckbox = 0x0003;
inline constexpr std::uint32_t bs_radiobutton = 0x0004;
inline constexpr std::uint32_t bs_groupbox = 0x0007;
inline constexpr std::uint32_t bs_autoradiobutton = 0x0009;
inline constexpr std::uint32_t bs_typemask = 0x000F;

// Static and edit styles.
inline constexpr std::uint32_t ss_left = 0x0000;
inline constexpr std::uint32_t es_multiline = 0x0004;
inline constexpr std::uint32_t es_autovscroll = 0x0040;
inline constexpr std::uint32_t es_autohscroll = 0x0080;
inline constexpr std::uint32_t es_wantreturn = 0x1000;

// The parts of wParam that Win32 packs as two 16-bit words.
constexpr std::uint32_t low_word(std::uintptr_t value) { return value & 0xFFFFu; }
constexpr std::uint32_t high_word(std::uintptr_t value) { return (value >> 16) & 0xFFFFu; }
constexpr std::uintptr_t make_wparam(std::uint32_t low, std::uint32_t high) {
    return (std::uintptr_t{high & 0xFFFFu} << 16) | (low & 0xFFFFu);
}

}  // namespace quillon::ui
