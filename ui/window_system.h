// The narrow window-system interface the dialog engine runs on.
//
// Windows, controls and messages are named in the Win32 dialog manager's terms, so that a native
// backend maps each call onto one platform function and another toolkit provides the same
// effects its own way. Text crosses this interface as bytes in Windows code page 1252 with line
// breaks as 13 10, as the ANSI functions give it. Every backend delivers the messages a dialog
// receives synchronously to that dialog's own procedure, given at its creation, as the platform
// would send them. The event loop is one call, pump_step: each backend handles what is pending
// and waits for the next event in its own way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/cp1252.h"

namespace quillon::ui {

// A window of the window system; 0 is no window.
using window_handle = std::uintptr_t;

// The dialog procedure: (dialog, message, wParam, lParam) giving the result for the platform.
using dialog_procedure =
    std::function<std::intptr_t(window_handle, std::uint32_t, std::uintptr_t, std::intptr_t)>;

// The values of an in-memory dialog template that the window is created from.
struct dialog_template {
    std::uint32_t style = 0;
    std::uint32_t ext_style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string title;                          // bytes, each one widened to one UTF-16 unit
    std::uint16_t point_size = 0;
    std::string typeface;
};

struct rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const rect&, const rect&) = default;
};

class window_system {
  public:
    virtual ~window_system() = default;

    // Creates a hidden dialog; WM_INITDIALOG reaches the procedure before this returns.
    // 0 when the platform refuses.
    virtual window_handle create_dialog(const dialog_template& form,
                                        dialog_procedure procedure) = 0;

    // Creates a child control at a pixel rectangle; 0 when the platform refuses the class or style.
    virtual window_handle create_control(std::uint32_t ext_style, std::string_view class_name,
                                         std::string_view text, std::uint32_t style,
                                         const rect& pixels, window_handle parent, int id) = 0;

    // Dialog units to pixels for the dialog's font; nullopt for an unknown window.
    virtual std::optional<rect> map_dialog_rect(window_handle dialog, const rect& units) = 0;

    // The control of the dialog with this id, or 0.
    virtual window_handle find_control(window_handle dialog, int id) = 0;

    virtual std::string get_text(window_handle window) = 0;
    // The text with every character the window holds, not only those of its code page: for a
    // module whose own character set goes beyond it. By default the code page's text.
    virtual std::u32string get_characters(window_handle window) {
        return decode_cp1252(get_text(window));
    }
    virtual bool set_text(window_handle window, std::string_view text) = 0;

    // Sends a message and returns its result; to a dialog, through its dialog procedure.
    virtual std::intptr_t send_message(window_handle window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) = 0;

    virtual void show(window_handle window, int show_command) = 0;

    // Delivers WM_DESTROY and then WM_NCDESTROY to a dialog's procedure; false when it fails.
    virtual bool destroy(window_handle window) = 0;

    virtual bool is_window(window_handle window) = 0;
    virtual window_handle owner(window_handle window) = 0;
    virtual void enable(window_handle window, bool enabled) = 0;

    // MessageBoxA with MB_OK | MB_ICONWARNING: a modal box owned by the window, with the warning
    // icon, the text and one OK button; returns once the user dismisses it (OK, Enter, Escape).
    virtual void warn(window_handle owner, std::string_view caption, std::string_view text) = 0;

    // One step of the event loop: handles what is pending or, when nothing is, waits for the
    // next event (a backend may also return after a bound of its own). keyboard_dialog (the active
    // dialog, or 0) gets the dialog keyboard handling (Enter, Escape, Tab) of the input handled in
    // this step; a handle that no longer names a window is taken as 0.
    virtual void pump_step(window_handle keyboard_dialog) = 0;
};

// The window system of the platform this program was built for; it owns the toolkit's state.
// program_name is the program's own path: no command-line argument reaches the toolkit.
std::unique_ptr<window_system> make_platform_window_system(const char* program_name);

}  // namespace quillon::ui
