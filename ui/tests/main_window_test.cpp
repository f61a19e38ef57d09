// The main window and its Send action on the fake window system and a recording serial library.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "ui/dialog_vocabulary.h"
#include "ui/tests/expected_main_window.h"
#include "ui/tests/fake_serial_library.h"
#include "ui/tests/fake_window_system.h"

namespace quillon::ui {
namespace {

using testing::expected_controls;
using testing::fake_serial_library;
using testing::fake_window_system;
using testing::recorded_serial;
using testing::sent_message;

class main_window_test : public ::testing::Test {
  protected:
    fake_window_system windows;
    dialog_engine engine{windows};
    window_handle main = 0;

    void start(int open_result = 1) {
        main = start_main_window(engine, fake_serial_library(open_result));
    }
    window_handle control(int id) { return windows.find_control(main, id); }
    void tick(int id, std::intptr_t state = bst_checked) {
        windows.controls[control(id)].check = state;
    }
    std::string& text() { return windows.controls[control(FORM1_TEXT)].text; }
    std::intptr_t press_send(std::uint32_t code = bn_clicked) {
        return windows.deliver(main, wm_command, make_wparam(FORM1_SEND, code),
                               static_cast<std::intptr_t>(control(FORM1_SEND)));
    }
};

TEST_F(main_window_test, window_is_created_from_its_template) {
    start();
    ASSERT_EQ(windows.templates.size(), 1u);
    const dialog_template& form = windows.templates[0];
    EXPECT_EQ(form.style, 0x80CA08D4u);
    EXPECT_EQ(form.title, testing::expected_caption);
    EXPECT_EQ(form.cx, 213);
    EXPECT_EQ(form.cy, 148);
    EXPECT_EQ(form.point_size, 8);
    EXPECT_EQ(form.typeface, "MS Sans Serif");
}

TEST_F(main_window_test, controls_are_created_in_order_at_their_places_with_their_handlers) {
    start();
    ASSERT_EQ(windows.control_order.size(), expected_controls.size());
    for (std::size_t i = 0; i < expected_controls.size(); ++i) {
        const testing::expected_control& expected = expected_controls[i];
        const window_handle handle = windows.control_order[i];
        const auto& created = windows.controls[handle];
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(created.id, expected.id);
        EXPECT_EQ(created.class_name, expected.class_name);
        EXPECT_EQ(created.text, expected.text);
        EXPECT_EQ(created.style, expected.style);
        EXPECT_EQ(created.ext_style, expected.ext_style);
        EXPECT_EQ(created.pixels, expected.pixels);
        EXPECT_EQ(created.parent, main);
        EXPECT_EQ(engine.has_handler(handle), expected.has_handler);
    }
}

TEST_F(main_window_test, start_up_ticks_com1_then_9600_and_nothing_else) {
    start();
    EXPECT_EQ(windows.sent_of(bm_setcheck),
              (std::vector<sent_message>{{control(FORM1_COM1), bm_setcheck, bst_checked, 0},
                                         {control(FORM1_BAUD9600), bm_setcheck, bst_checked, 0}}));
    EXPECT_EQ(windows.shown, (std::vector<std::pair<window_handle, int>>{{main, sw_show}}));
    EXPECT_EQ(text(), "");
    EXPECT_EQ(engine.open_dialogs(), 1);
}

TEST_F(main_window_test, readers_take_the_last_ticked_button) {
    struct row {
        std::vector<std::pair<int, std::intptr_t>> ticks;
        std::int32_t port, baud;
    };
    const row rows[] = {
        {{}, 0, 0},
        {{{FORM1_COM3, 1}, {FORM1_COM8, 1}}, 8, 0},
        {{{FORM1_COM5, 2}}, 5, 0},  // indeterminate counts as ticked
        {{{FORM1_BAUD9600, 1}, {FORM1_BAUD1200, 1}}, 0, 1200},
        {{{FORM1_BAUD4800, 1}, {FORM1_COM2, 1}}, 2, 4800},
        {{{FORM1_BAUD2400, 1}, {FORM1_BAUD4800, 1}}, 0, 2400},
    };
    main = build_main_window(engine, fake_serial_library());
    for (const row& r : rows) {
        for (const auto& [handle, created] : windows.controls) windows.controls[handle].check = 0;
        for (const auto& [id, state] : r.ticks) tick(id, state);
        EXPECT_EQ(read_port(windows, main), r.port);
        EXPECT_EQ(read_baud(windows, main), r.baud);
    }
}

TEST_F(main_window_test, send_opens_sends_a_copy_closes_and_clears_when_asked) {
    struct row {
        const char* name;
        int open_result;
        bool clear_ticked;
        std::string typed;
        bool cleared;
        std::string failure;  // what the library says went wrong; the warning shows it
    };
    using namespace std::string_literals;
    const row rows[] = {
        {"unticked keeps the text", 1, false, "Hello<13>", false, ""},
        {"ticked clears it", 1, true, "Hello", true, ""},
        {"a port that did not open keeps it and says why", 0, true, "Hello", false,
         "COM1 not found: /dev/ttyS0 does not exist"},
        {"a failed write keeps it and says why", 1, true, "Hello", false,
         "writing to COM1 (/dev/pts/3) failed: Input/output error"},
        {"every byte goes out, zero included", 1, false, "a\0b\r\n\xE9\x80"s, false, ""},
        {"empty text is sent as nothing", 1, true, "", true, ""},
    };
    for (const row& r : rows) {
        fake_window_system platform;
        dialog_engine dialogs(platform);
        const window_handle window = start_main_window(dialogs, fake_serial_library(r.open_result));
        (r.open_result == 1 ? recorded_serial().failure_after_send
                            : recorded_serial().failure_after_open) = r.failure;
        const auto find = [&](int id) { return platform.find_control(window, id); };
        platform.controls[find(FORM1_TEXT)].text = r.typed;
        platform.controls[find(FORM1_CLEAR)].check = r.clear_ticked ? bst_checked : bst_unchecked;

        EXPECT_EQ(platform.deliver(window, wm_command, make_wparam(FORM1_SEND, bn_clicked),
                                   static_cast<std::intptr_t>(find(FORM1_SEND))),
                  0)
            << r.name;
        const std::vector<std::string> opened{"open 1 9600", "allocate", "send",
                                              "release",     "close",    "failure"};
        const std::vector<std::string> not_opened{"open 1 9600", "failure", "allocate",
                                                  "send",        "release", "close"};
        EXPECT_EQ(recorded_serial().log, r.open_result == 1 ? opened : not_opened) << r.name;
        decltype(platform.warnings) warned;
        if (!r.failure.empty()) warned.emplace_back(window, "Quillon", r.failure);
        EXPECT_EQ(platform.warnings, warned) << r.name;
        EXPECT_EQ(recorded_serial().sent_bytes, r.typed) << r.name;
        EXPECT_EQ(recorded_serial().live_strings, 0) << r.name << ": the copy is released";
        EXPECT_EQ(platform.controls[find(FORM1_TEXT)].text, r.cleared ? "" : r.typed) << r.name;
    }
}

TEST_F(main_window_test, send_uses_the_ticked_port_and_rate) {
    start();
    tick(FORM1_COM1, bst_unchecked);
    tick(FORM1_BAUD9600, bst_unchecked);
    tick(FORM1_COM8);
    tick(FORM1_BAUD1200);
    press_send();
    EXPECT_EQ(recorded_serial().log.front(), "open 8 1200");
}

TEST_F(main_window_test, focus_notifications_from_send_do_nothing) {
    start();
    text() = "Hello";
    tick(FORM1_CLEAR);
    for (const std::uint32_t code : {bn_setfocus, bn_killfocus}) {
        EXPECT_EQ(press_send(code), 0);
    }
    EXPECT_TRUE(recorded_serial().log.empty());
    EXPECT_EQ(text(), "Hello");
}

}  // namespace
}  // namespace quillon::ui
