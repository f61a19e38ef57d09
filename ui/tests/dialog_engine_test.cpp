#include "ui/dialog_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "ui/dialog_vocabulary.h"
#include "ui/tests/fake_window_system.h"

namespace quillon::ui {
namespace {

using testing::fake_window_system;
using testing::sent_message;

dialog_template form(std::uint32_t style, std::int16_t cx = 0, std::int16_t cy = 0) {
    dialog_template made;
    made.style = style;
    made.cx = cx;
    made.cy = cy;
    return made;
}

// A control of the given id and style at (0, 0), 10 units square.
control_layout at_origin(int id, std::uint32_t style = 0) {
    control_layout made;
    made.id = id;
    made.width = 10;
    made.height = 10;
    made.style = style;
    return made;
}

handler take_nothing() {
    return [](window_handle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; };
}

// A handler that records every call and answers with a chosen result.
struct recording_handler {
    std::vector<sent_message> calls;
    std::int32_t answer = 0;
    std::function<void()> on_call;

    handler get() {
        return [this](window_handle dialog, std::uint32_t message, std::uintptr_t wparam,
                      std::intptr_t lparam) {
            calls.push_back({dialog, message, wparam, lparam});
            if (on_call) on_call();
            return answer;
        };
    }
    bool saw(std::uint32_t message) const {
        return std::any_of(calls.begin(), calls.end(),
                           [message](const auto& c) { return c.message == message; });
    }
};

class engine_test : public ::testing::Test {
  protected:
    fake_window_system windows;
    dialog_engine engine{windows};

    window_handle make_dialog() { return engine.create_dialog(form(0x80CA0880, 213, 148)); }
};

TEST_F(engine_test, open_dialog_count_goes_0_1_0) {
    EXPECT_EQ(engine.open_dialogs(), 0);
    const window_handle dialog = make_dialog();
    EXPECT_EQ(engine.open_dialogs(), 1);
    EXPECT_EQ(windows.deliver(dialog, wm_syscommand, sc_close, 0), 1);
    EXPECT_EQ(engine.open_dialogs(), 0);
}

TEST_F(engine_test, template_style_gains_and_loses_the_engine_bits) {
    struct row {
        std::uint32_t asked, created;
    };
    for (const row r : {row{0x80CA0880, 0x80CA08D4},
                        row{0x80CA0880 | ws_visible | ds_sysmodal, 0x80CA08D4}, row{0, 0x54}}) {
        windows.templates.clear();
        engine.create_dialog(form(r.asked));
        ASSERT_EQ(windows.templates.size(), 1u);
        EXPECT_EQ(windows.templates[0].style, r.created) << std::hex << r.asked;
    }
}

TEST_F(engine_test, activation_sets_and_clears_the_active_dialog_and_stops_there) {
    const window_handle dialog = make_dialog();
    recording_handler window_handler;
    engine.show_modeless(dialog, window_handler.get());
    window_handler.calls.clear();

    struct row {
        std::uint32_t state;
        window_handle active_after;
    };
    for (const row r : {row{wa_active, dialog}, row{wa_inactive, 0}, row{wa_clickactive, dialog},
                        row{wa_inactive | 0x10000, 0}}) {
        EXPECT_EQ(windows.deliver(dialog, wm_activate, r.state, 0), 1) << r.state;
        EXPECT_EQ(engine.active_dialog(), r.active_after) << r.state;
    }
    EXPECT_TRUE(window_handler.calls.empty());
}

TEST_F(engine_test, control_handler_result_decides_whether_the_window_handler_runs) {
    const window_handle dialog = make_dialog();
    recording_handler window_handler, control_handler;
    window_handler.answer = 7;
    const window_handle control =
        engine.add_control(dialog, control_kind::option, at_origin(140), control_handler.get());
    engine.show_modeless(dialog, window_handler.get());
    window_handler.calls.clear();

    struct row {
        std::int32_t control_answer;
        std::intptr_t result;
        bool window_handler_called;
    };
    for (const row r : {row{5, 5, false}, row{-1, -1, false}, row{0, 7, true}}) {
        control_handler.answer = r.control_answer;
        control_handler.calls.clear();
        window_handler.calls.clear();
        const std::uintptr_t wparam = make_wparam(140, bn_clicked);
        EXPECT_EQ(windows.deliver(dialog, wm_command, wparam, static_cast<std::intptr_t>(control)),
                  r.result);
        // A control handler is given the dialog's handle, not its own.
        ASSERT_EQ(control_handler.calls.size(), 1u);
        EXPECT_EQ(control_handler.calls[0],
                  (sent_message{dialog, wm_command, wparam, static_cast<std::intptr_t>(control)}));
        EXPECT_EQ(window_handler.calls.size(), r.window_handler_called ? 1u : 0u);
    }
}

TEST_F(engine_test, scroll_messages_find_their_control_by_lparam) {
    const window_handle dialog = make_dialog();
    recording_handler control_handler;
    const window_handle control = engine.add_control(
        dialog, control_kind::text_box, at_origin(175, ws_child), control_handler.get());
    windows.deliver(dialog, wm_vscroll, 0, static_cast<std::intptr_t>(control));
    windows.deliver(dialog, wm_hscroll, 0, static_cast<std::intptr_t>(control));
    windows.deliver(dialog, wm_vscroll, 0, 0);
    // A WM_COMMAND finds the control by the id in wParam, not by lParam.
    windows.deliver(dialog, wm_command, make_wparam(999, 0), static_cast<std::intptr_t>(control));
    EXPECT_EQ(control_handler.calls.size(), 2u);
}

TEST_F(engine_test, command_from_unknown_id_changes_nothing) {
    const window_handle dialog = make_dialog();
    recording_handler window_handler;
    engine.show_modeless(dialog, window_handler.get());
    windows.deliver(dialog, wm_activate, wa_active, 0);

    EXPECT_EQ(windows.deliver(dialog, wm_command, make_wparam(idcancel, bn_clicked), 0), 0);
    EXPECT_EQ(engine.open_dialogs(), 1);
    EXPECT_EQ(engine.active_dialog(), dialog);
    EXPECT_TRUE(windows.is_window(dialog));
    EXPECT_TRUE(windows.destroyed.empty());
    EXPECT_TRUE(windows.sent_of(wm_close).empty());
}

TEST_F(engine_test, sc_close_sends_wm_close_destroys_and_releases_every_record) {
    const window_handle dialog = make_dialog();
    recording_handler window_handler;
    const window_handle control =
        engine.add_control(dialog, control_kind::check_box, at_origin(180), take_nothing());
    engine.show_modeless(dialog, window_handler.get());
    // The window handler still exists when WM_CLOSE comes, and the window too.
    bool window_existed_at_close = false;
    window_handler.on_call = [&] {
        if (window_handler.calls.back().message == wm_close) {
            window_existed_at_close = windows.is_window(dialog);
        }
    };

    EXPECT_EQ(windows.deliver(dialog, wm_syscommand, sc_close | 0xF, 0), 0)
        << "only the low word 0xF060 is sc_close";
    EXPECT_EQ(windows.deliver(dialog, wm_syscommand, sc_close, 0), 1);

    EXPECT_TRUE(window_existed_at_close);
    EXPECT_TRUE(window_handler.saw(wm_close));
    EXPECT_TRUE(window_handler.saw(wm_destroy));
    EXPECT_TRUE(window_handler.saw(wm_ncdestroy));
    EXPECT_EQ(windows.destroyed, std::vector<window_handle>{dialog});
    EXPECT_FALSE(engine.has_record(dialog));
    EXPECT_FALSE(engine.has_record(control));
    EXPECT_TRUE(windows.enabled.empty()) << "the window has no owner";
}

TEST_F(engine_test, window_handler_that_takes_sc_close_keeps_the_window) {
    const window_handle dialog = make_dialog();
    recording_handler window_handler;
    window_handler.answer = 1;
    engine.show_modeless(dialog, window_handler.get());
    EXPECT_EQ(windows.deliver(dialog, wm_syscommand, sc_close, 0), 1);
    EXPECT_TRUE(windows.destroyed.empty());
    EXPECT_EQ(engine.open_dialogs(), 1);
}

TEST_F(engine_test, closing_enables_the_owner_and_reports_the_result) {
    struct row {
        bool destroy_fails;
        std::vector<std::pair<window_handle, bool>> owner_enabled;
        std::int32_t count_after;
    };
    constexpr window_handle owner = 0x77;
    for (const row& r :
         {row{false, {{owner, true}}, 0}, row{true, {{owner, true}, {owner, false}}, 1}}) {
        fake_window_system platform;
        dialog_engine dialogs(platform);
        platform.dialog_owner = owner;
        platform.refuse_destroy = r.destroy_fails;
        const window_handle dialog = dialogs.create_dialog(form(0x80CA0880, 10, 10));
        std::int32_t result = 99;
        dialogs.set_result_variable(dialog, &result);

        EXPECT_EQ(platform.deliver(dialog, wm_syscommand, sc_close, 0), 1);
        EXPECT_EQ(platform.enabled, r.owner_enabled) << r.destroy_fails;
        EXPECT_EQ(result, 0);
        EXPECT_EQ(dialogs.open_dialogs(), r.count_after);
        EXPECT_EQ(dialogs.has_record(dialog), r.destroy_fails);
    }
}

TEST_F(engine_test, show_modeless_calls_the_handler_before_attaching_it) {
    const window_handle dialog = make_dialog();
    bool attached_during_call = true;
    recording_handler window_handler;
    window_handler.on_call = [&] { attached_during_call = engine.has_handler(dialog); };

    engine.show_modeless(dialog, window_handler.get());

    ASSERT_EQ(window_handler.calls.size(), 1u);
    EXPECT_EQ(window_handler.calls[0], (sent_message{dialog, wm_initdialog, dialog, 0}));
    EXPECT_FALSE(attached_during_call);
    EXPECT_TRUE(engine.has_handler(dialog));
    EXPECT_EQ(windows.shown, (std::vector<std::pair<window_handle, int>>{{dialog, sw_show}}));
    // The count was raised once, by the platform's WM_INITDIALOG during creation.
    EXPECT_EQ(engine.open_dialogs(), 1);
}

TEST_F(engine_test, failed_dialog_leaves_the_count_at_zero) {
    windows.refuse_dialogs = true;
    const window_handle dialog = make_dialog();
    EXPECT_EQ(dialog, 0u);
    recording_handler window_handler;
    engine.show_modeless(dialog, window_handler.get());

    EXPECT_EQ(window_handler.calls, (std::vector<sent_message>{{0, wm_initdialog, 0, 0}}));
    EXPECT_TRUE(windows.shown.empty());
    EXPECT_EQ(engine.add_control(dialog, control_kind::label, at_origin(110), nullptr), 0u);
    EXPECT_EQ(engine.open_dialogs(), 0);
    EXPECT_EQ(engine.pump_step(), 0);
}

TEST_F(engine_test, controls_by_kind_get_class_and_default_style) {
    const window_handle dialog = make_dialog();
    struct row {
        control_kind kind;
        std::uint32_t given, created;
        const char* class_name;
    };
    const row rows[] = {
        {control_kind::label, 0, 0x50000000, "STATIC"},
        {control_kind::option, 0, 0x50010009, "BUTTON"},
        {control_kind::check_box, 0, 0x50010003, "BUTTON"},
        {control_kind::frame, 0, 0, "BUTTON"},
        {control_kind::text_box, 0, 0, "EDIT"},
        {control_kind::option, 0x50030009, 0x50030009, "BUTTON"},
        {control_kind::frame, 0x50000007, 0x50000007, "BUTTON"},
    };
    for (const row& r : rows) {
        const window_handle control =
            engine.add_control(dialog, r.kind, at_origin(1, r.given), nullptr);
        ASSERT_NE(control, 0u);
        EXPECT_EQ(windows.controls[control].class_name, r.class_name);
        EXPECT_EQ(windows.controls[control].style, r.created) << r.class_name;
        windows.controls.erase(control);
    }
}

TEST_F(engine_test, generic_control_keeps_class_styles_and_gets_the_dialog_font) {
    const window_handle dialog = make_dialog();
    const window_handle control = engine.add_control(
        dialog, "Button", control_layout{1, "Send", 152, 113, 53, 15, 0, 0x200}, nullptr);
    const auto& created = windows.controls[control];
    EXPECT_EQ(created.class_name, "Button");
    EXPECT_EQ(created.style, 0u);
    EXPECT_EQ(created.ext_style, 0x200u);
    EXPECT_EQ(created.text, "Send");
    // One rectangle through the mapping: 152..205 units wide, 113..128 high.
    EXPECT_EQ(created.pixels, (rect{228, 184, 308, 208}));
    EXPECT_EQ(created.font, fake_window_system::dialog_font);
    EXPECT_EQ(windows.sent_of(wm_setfont).back(),
              (sent_message{control, wm_setfont, fake_window_system::dialog_font, 1}));
    EXPECT_FALSE(engine.has_handler(control));
}

TEST_F(engine_test, refused_control_gets_no_record) {
    const window_handle dialog = make_dialog();
    windows.refused_ids = {120};
    EXPECT_EQ(engine.add_control(dialog, control_kind::option, at_origin(120), take_nothing()), 0u);
    const window_handle next =
        engine.add_control(dialog, control_kind::option, at_origin(125), take_nothing());
    EXPECT_NE(next, 0u);
    EXPECT_TRUE(engine.has_handler(next));
}

TEST_F(engine_test, pump_step_gives_the_window_system_the_active_dialog) {
    const window_handle dialog = make_dialog();
    struct row {
        const char* name;
        std::optional<std::uint32_t> activation;
        window_handle keyboard_dialog;
    };
    const row rows[] = {
        {"never activated", std::nullopt, 0},   {"activated", wa_active, dialog},
        {"deactivated", wa_inactive, 0},        {"activated by a click", wa_clickactive, dialog},
        {"still active", std::nullopt, dialog},
    };
    for (const row& r : rows) {
        if (r.activation) windows.deliver(dialog, wm_activate, *r.activation, 0);
        EXPECT_EQ(engine.pump_step(), 1) << r.name;
        ASSERT_FALSE(windows.steps.empty());
        EXPECT_EQ(windows.steps.back(), r.keyboard_dialog) << r.name;
    }
}

TEST_F(engine_test, run_ends_in_the_step_whose_message_closed_the_window) {
    const window_handle dialog = make_dialog();
    EXPECT_EQ(engine.pump_step(), 1);
    windows.queue.push_back({dialog, 0x0400, 0, 0});
    windows.queue.push_back({dialog, wm_syscommand, sc_close, 0});
    windows.queue.push_back({dialog, 0x0400, 0, 0});
    engine.run();
    EXPECT_EQ(engine.open_dialogs(), 0);
    EXPECT_EQ(windows.steps.size(), 3u) << "one step before the loop, two in it";
    EXPECT_EQ(windows.queue.size(), 1u) << "the rest stays queued";
}

}  // namespace
}  // namespace quillon::ui
