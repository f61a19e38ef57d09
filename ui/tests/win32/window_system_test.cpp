// The Win32 window system on the platform's own dialog manager, run under Wine with a display
// by test_wine_window.py.
// clang-format off
#include <windows.h>
// clang-format on

#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "ui/win32_vocabulary.h"

namespace quillon::ui {
namespace {

// The messages of a dialog's life and those the test sends itself (WM_APP and up); the others
// (WM_SETFONT, WM_NCACTIVATE, ...) are the dialog manager's own business.
using log = std::vector<std::pair<window_handle, std::uint32_t>>;

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
    std::unique_ptr<window_system> windows = make_platform_window_system("window_system_test");
};

TEST_F(win32_window_system_test, each_dialog_keeps_its_own_procedure) {
    log first_log, second_log;
    const window_handle first = windows->create_dialog(small_dialog(), recorder(first_log));
    const window_handle second = windows->create_dialog(small_dialog(), recorder(second_log));
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);

    windows->send_message(first, WM_APP + 1, 0, 0);
    windows->send_message(second, WM_APP + 2, 0, 0);
    ASSERT_TRUE(windows->destroy(second));
    // The first dialog's procedure outlives the second's.
    windows->send_message(first, WM_APP + 3, 0, 0);
    ASSERT_TRUE(windows->destroy(first));

    EXPECT_EQ(first_log, (log{{first, wm_initdialog},
                              {first, WM_APP + 1},
                              {first, WM_APP + 3},
                              {first, wm_destroy},
                              {first, wm_ncdestroy}}));
    EXPECT_EQ(second_log, (log{{second, wm_initdialog},
                               {second, WM_APP + 2},
                               {second, wm_destroy},
                               {second, wm_ncdestroy}}));
}

}  // namespace
}  // namespace quillon::ui
