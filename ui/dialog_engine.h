// The dialog engine: builds dialogs and their controls on a window system, keeps one record per
// window it created, and routes the messages of its dialogs to the handlers attached to them.
//
// How it works: every dialog is created with the engine's dispatcher as its dialog procedure.
// The dispatcher counts the open dialogs (WM_INITDIALOG up, WM_DESTROY down), remembers the active
// dialog (WM_ACTIVATE), offers WM_COMMAND and scroll messages to the handler of the control
// concerned, then to the dialog's own handler, and closes the dialog on SC_CLOSE when no handler
// took it. The pump step is one step of the window system's event loop, given the active dialog
// for its keyboard handling; the main loop runs pump steps while a dialog is open.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>

#include "ui/window_system.h"

namespace quillon::ui {

// The one shape of window and control handlers: (dialog, message, wParam, lParam). A control
// handler gets the dialog's handle, not its own. 0 means "not handled, carry on".
using handler =
    std::function<std::int32_t(window_handle, std::uint32_t, std::uintptr_t, std::intptr_t)>;

// The kinds of control the engine creates by kind: each picks the class and a default style.
enum class control_kind { label, frame, option, check_box, text_box };

// Where a control goes and how it looks; positions and sizes in dialog units.
struct control_layout {
    int id = 0;
    std::string_view text;
    int x = 0, y = 0, width = 0, height = 0;
    std::uint32_t style = 0;
    std::uint32_t ext_style = 0;
};

// The class a kind is created with, and the style used when the caller gives 0.
std::string_view class_of(control_kind kind);
std::uint32_t default_style(control_kind kind);

class dialog_engine {
  public:
    explicit dialog_engine(window_system& windows);
    dialog_engine(const dialog_engine&) = delete;
    dialog_engine& operator=(const dialog_engine&) = delete;

    window_system& windows() { return windows_; }

    // Creates a hidden dialog with the dispatcher as its procedure; the engine always adds
    // DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK and removes WS_VISIBLE and DS_SYSMODAL. Returns the
    // handle, or 0 when the window system refused (then no record exists).
    window_handle create_dialog(dialog_template form);

    // Adds a control by kind: the kind's class, and its default style when style is 0.
    window_handle add_control(window_handle dialog, control_kind kind, const control_layout& layout,
                              handler control_handler);
    // Adds a control of a named class; style and extended style are used unchanged.
    window_handle add_control(window_handle dialog, std::string_view class_name,
                              const control_layout& layout, handler control_handler);

    // Calls window_handler once with WM_INITDIALOG, attaches it and shows the dialog. A dialog
    // without a record (its creation failed) gets only that call.
    void show_modeless(window_handle dialog, handler window_handler);

    // Registers the variable that receives the dialog's result when it is closed.
    void set_result_variable(window_handle dialog, std::int32_t* result);

    // The dispatcher: the dialog procedure of every dialog the engine creates.
    std::intptr_t dispatch(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam);

    // One step of the window system's event loop with the active dialog's keyboard handling;
    // returns the count of open dialogs after it.
    std::int32_t pump_step();
    // Runs pump steps until no dialog is open.
    void run();

    std::int32_t open_dialogs() const { return open_dialogs_; }
    window_handle active_dialog() const { return active_dialog_; }
    bool has_record(window_handle window) const;
    bool has_handler(window_handle window) const;

  private:
    struct record {
        handler attached;
        window_handle dialog = 0;  // the dialog a control belongs to; itself for a dialog
        std::uintptr_t font = 0;
        int show_command = 0;
        bool shown_modeless = false;
        std::int32_t* result = nullptr;
    };

    window_handle add_control_of_class(window_handle dialog, std::string_view class_name,
                                       const control_layout& layout, handler control_handler);
    handler handler_of(window_handle window) const;
    void release_records(window_handle dialog);
    std::intptr_t close_dialog(window_handle dialog);

    window_system& windows_;
    std::int32_t open_dialogs_ = 0;
    window_handle active_dialog_ = 0;

    // Handlers may re-enter the dispatcher, so the lock is held only while records are touched,
    // never while a handler runs.
    mutable std::mutex records_lock_;
    std::map<window_handle, record> records_;
};

}  // namespace quillon::ui
