// The Win32 window system on the platform's own dialog manager, run under Wine with a display
// by test_wine_window.py.
// clang-format off
#include <windows.h>
// clang-format on

#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "ui/dialog_vocabulary.h"

namespace quillon::ui {
namespace {

// The messages of a dialog's life and those the test sends itself (WM_APP and up); the others
// (WM_SETFONT, WM_NCACTIVATE, ...) are the dialog manager's own business.
using log = std::vector<std::pair<window_handle, std::uint32_t>>;

// The wParam of every WM_COMMAND a dialog got, and the messages of log.
struct dialog_record {
    log messages;
    std::vector<std::uintptr_t> commands;

    bool got(std::uint32_t message) const {
        return std::any_of(messages.begin(), messages.end(),
                           [message](const auto& entry) { return entry.second == message; });
    }
};

dialog_procedure recorder(log& into) {
    return [&into](window_handle dialog, std::uint32_t message, std::uintptr_t,
                   std::intptr_t) -> std::intptr_t {
        if (message == wm_initdialog || message == wm_destroy || message == wm_ncdestroy ||
            message >= WM_APP) {
            into.emplace_back(dialog, message);
        }
        return 0;
    };
}

dialog_procedure recorder(dialog_record& into) {
    return [&into, record = recorder(into.messages)](window_handle dialog, std::uint32_t message,
                                                     std::uintptr_t wparam,
                                                     std::intptr_t lparam) -> std::intptr_t {
        if (message == wm_command) into.commands.push_back(wparam);
        return record(dialog, message, wparam, lparam);
    };
}

HWND hwnd(window_handle window) { return reinterpret_cast<HWND>(window); }

dialog_template small_dialog() {
    dialog_template form;
    form.style = ws_popup | ws_caption | ws_sysmenu;
    form.cx = 100;
    form.cy = 50;
    form.title = "window system test";
    return form;
}

class win32_window_system_test : public ::testing::Test {
  protected:
    // Declared before the window system: the dialogs it still holds are destroyed with it, and
    // their procedures write here until then.
    dialog_record first, second;
    std::unique_ptr<window_system> windows = make_platform_window_system("window_system_test");

    // Runs steps until the record has the message, within a bound of steps (an idle step
    // sleeps about a millisecond).
    bool step_until(window_handle keyboard_dialog, const dialog_record& record,
                    std::uint32_t message) {
        for (int step = 0; step < 5000; ++step) {
            if (record.got(message)) return true;
            windows->pump_step(keyboard_dialog);
        }
        return record.got(message);
    }
};

TEST_F(win32_window_system_test, each_dialog_keeps_its_own_procedure) {
    const window_handle one = windows->create_dialog(small_dialog(), recorder(first));
    const window_handle two = windows->create_dialog(small_dialog(), recorder(second));
    ASSERT_NE(one, 0u);
    ASSERT_NE(two, 0u);

    windows->send_message(one, WM_APP + 1, 0, 0);
    windows->send_message(two, WM_APP + 2, 0, 0);
    ASSERT_TRUE(windows->destroy(two));
    // The first dialog's procedure outlives the second's.
    windows->send_message(one, WM_APP + 3, 0, 0);
    ASSERT_TRUE(windows->destroy(one));

    EXPECT_EQ(first.messages, (log{{one, wm_initdialog},
                                   {one, WM_APP + 1},
                                   {one, WM_APP + 3},
                                   {one, wm_destroy},
                                   {one, wm_ncdestroy}}));
    EXPECT_EQ(
        second.messages,
        (log{{two, wm_initdialog}, {two, WM_APP + 2}, {two, wm_destroy}, {two, wm_ncdestroy}}));
}

TEST_F(win32_window_system_test, a_step_handles_one_message_and_sends_it_to_its_dialog) {
    const window_handle first_dialog = windows->create_dialog(small_dialog(), recorder(first));
    const window_handle second_dialog = windows->create_dialog(small_dialog(), recorder(second));
    ASSERT_TRUE(PostMessageA(hwnd(first_dialog), WM_APP + 1, 0, 0));
    ASSERT_TRUE(PostMessageA(hwnd(second_dialog), WM_APP + 2, 0, 0));

    ASSERT_TRUE(step_until(0, first, WM_APP + 1));
    EXPECT_FALSE(second.got(WM_APP + 2)) << "the step that took the first message took another";
    ASSERT_TRUE(step_until(0, second, WM_APP + 2));
    EXPECT_FALSE(first.got(WM_APP + 2));
}

TEST_F(win32_window_system_test, a_quit_message_is_taken_and_ends_nothing) {
    dialog_record& record = first;
    const window_handle dialog = windows->create_dialog(small_dialog(), recorder(record));
    PostQuitMessage(0);
    // WM_QUIT comes out of the queue only after the messages posted with it.
    ASSERT_TRUE(PostMessageA(hwnd(dialog), WM_APP + 1, 0, 0));
    ASSERT_TRUE(step_until(0, record, WM_APP + 1));
    for (int step = 0; step < 10; ++step) windows->pump_step(0);

    MSG left{};
    EXPECT_FALSE(PeekMessageA(&left, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    ASSERT_TRUE(PostMessageA(hwnd(dialog), WM_APP + 2, 0, 0));
    EXPECT_TRUE(step_until(0, record, WM_APP + 2)) << "the loop goes on after WM_QUIT";
    EXPECT_TRUE(windows->is_window(dialog));
}

TEST_F(win32_window_system_test, enter_is_the_default_command_only_for_the_dialog_a_step_is_given) {
    dialog_record& record = first;
    const window_handle dialog = windows->create_dialog(small_dialog(), recorder(record));
    ASSERT_NE(windows->create_control(0, "BUTTON", "Send", ws_child | ws_visible | bs_defpushbutton,
                                      rect{60, 30, 90, 45}, dialog, idok),
              0u);
    const window_handle radio = windows->create_control(
        0, "BUTTON", "1", ws_child | ws_visible | ws_group | ws_tabstop | bs_autoradiobutton,
        rect{5, 5, 40, 20}, dialog, 135);
    ASSERT_NE(radio, 0u);
    const window_handle gone = windows->create_dialog(small_dialog(), nullptr);
    ASSERT_TRUE(windows->destroy(gone));

    struct row {
        const char* name;
        window_handle keyboard_dialog;
        std::vector<std::uintptr_t> commands;
    };
    const row rows[] = {
        {"no dialog", 0, {}},
        {"a handle that names no window any more", gone, {}},
        {"the dialog", dialog, {make_wparam(idok, bn_clicked)}},
    };
    for (const row& r : rows) {
        record = dialog_record{};
        // Enter pressed while the radio button has the focus, then a marker behind it.
        ASSERT_TRUE(PostMessageA(hwnd(radio), WM_KEYDOWN, VK_RETURN, 0x001C0001));
        ASSERT_TRUE(PostMessageA(hwnd(radio), WM_KEYUP, VK_RETURN, 0xC01C0001));
        ASSERT_TRUE(PostMessageA(hwnd(dialog), WM_APP + 1, 0, 0));
        ASSERT_TRUE(step_until(r.keyboard_dialog, record, WM_APP + 1)) << r.name;
        // What the keys were translated into (WM_CHAR) came after the marker: let it pass too.
        for (int step = 0; step < 10; ++step) windows->pump_step(r.keyboard_dialog);
        EXPECT_EQ(record.commands, r.commands) << r.name;
    }
}

}  // namespace
}  // namespace quillon::ui
