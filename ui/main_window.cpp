#include "ui/main_window.h"

#include <string>

#include "serial/version.h"
#include "ui/dialog_vocabulary.h"
#include "ui/send_action.h"

namespace quillon::ui {

namespace {

constexpr std::uint32_t child_visible = ws_child | ws_visible;
constexpr std::uint32_t first_option = child_visible | ws_group | ws_tabstop | bs_autoradiobutton;
constexpr std::uint32_t next_option = child_visible | ws_tabstop | bs_autoradiobutton;

constexpr std::string_view hint_text =
    "Type text and press Send. To send by ASCII code, type <#> where # is the code (0-255).";

using enum control_kind;
using enum control_role;

// The window handler and the handlers of the controls that take no action.
std::int32_t take_no_action(window_handle, std::uint32_t, std::uintptr_t, std::intptr_t) {
    return 0;
}

void set_check(window_system& windows, window_handle window, int id) {
    windows.send_message(windows.find_control(window, id), bm_setcheck, bst_checked, 0);
}

}  // namespace

// clang-format off
const std::array<main_window_control, 18> main_window_controls = {{
    {{FORM1_PORTFRAME, "Comm Port", 93, 5, 115, 42, child_visible | bs_groupbox, ws_ex_transparent}, "BUTTON", frame, no_handler},
    {{FORM1_BAUDFRAME, "Baud Rate", 5, 5, 85, 42, child_visible | bs_groupbox, ws_ex_transparent}, "BUTTON", frame, no_handler},
    {{FORM1_HINT, hint_text, 8, 118, 123, 25, child_visible | ss_left, 0}, "STATIC", label, no_handler},
    {{FORM1_BAUD9600, "9600", 11, 15, 32, 12, first_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_BAUD4800, "4800", 11, 30, 35, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_BAUD2400, "2400", 48, 15, 32, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_BAUD1200, "1200", 48, 30, 32, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM1, "1", 99, 15, 19, 12, first_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM2, "2", 99, 30, 21, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM3, "3", 123, 15, 24, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM4, "4", 123, 30, 24, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM5, "5", 149, 15, 21, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM6, "6", 149, 30, 21, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM7, "7", 176, 15, 24, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_COM8, "8", 176, 30, 24, 12, next_option, 0}, "BUTTON", option, does_nothing},
    {{FORM1_TEXT, "", 5, 54, 203, 44,
      child_visible | ws_tabstop | ws_vscroll | es_multiline | es_autovscroll | es_wantreturn,
      ws_ex_clientedge}, "EDIT", text_box, does_nothing},
    {{FORM1_CLEAR, "Clear text box after sending data.", 11, 103, 131, 12,
      child_visible | ws_tabstop | bs_autocheckbox, 0}, "BUTTON", check_box, does_nothing},
    {{FORM1_SEND, "Send", 152, 113, 53, 15, child_visible | ws_tabstop | bs_defpushbutton, 0},
     "Button", std::nullopt, sends},
}};
// clang-format on

std::string main_window_caption() {
    std::string caption(main_window_caption_prefix);
    caption += "  ";
    caption += home_address;
    return caption;
}

window_handle build_main_window(dialog_engine& engine, const serial_library& serial) {
    window_system& windows = engine.windows();
    dialog_template form;
    form.style = main_window_style;
    form.cx = main_window_width_units;
    form.cy = main_window_height_units;
    form.title = main_window_caption();
    form.point_size = main_window_point_size;
    form.typeface = main_window_typeface;
    const window_handle main = engine.create_dialog(form);

    for (const main_window_control& control : main_window_controls) {
        handler control_handler;
        if (control.role == does_nothing) control_handler = take_no_action;
        if (control.role == sends) {
            control_handler = [&windows, main, serial](window_handle, std::uint32_t,
                                                       std::uintptr_t wparam, std::intptr_t) {
                return send_action(windows, main, serial, wparam);
            };
        }
        // The results are not looked at: a control the platform refuses is simply missing.
        if (control.kind) {
            engine.add_control(main, *control.kind, control.layout, control_handler);
        } else {
            engine.add_control(main, control.class_name, control.layout, control_handler);
        }
    }

    engine.show_modeless(main, take_no_action);
    return main;
}

window_handle start_main_window(dialog_engine& engine, const serial_library& serial) {
    const window_handle main = build_main_window(engine, serial);
    // Only these two are ticked; every other button and the check box stay as created.
    set_check(engine.windows(), main, FORM1_COM1);
    set_check(engine.windows(), main, FORM1_BAUD9600);
    return main;
}

}  // namespace quillon::ui
