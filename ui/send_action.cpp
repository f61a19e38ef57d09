#include "ui/send_action.h"

#include <array>
#include <string>
#include <utility>

#include "charset/rom_text.h"
#include "charset/utf8.h"
#include "ui/dialog_vocabulary.h"
#include "ui/main_window_ids.h"

namespace quillon::ui {

namespace {

struct button_value {
    int id;
    std::int32_t value;
};

constexpr std::array<button_value, 8> port_buttons{{{FORM1_COM1, 1},
                                                    {FORM1_COM2, 2},
                                                    {FORM1_COM3, 3},
                                                    {FORM1_COM4, 4},
                                                    {FORM1_COM5, 5},
                                                    {FORM1_COM6, 6},
                                                    {FORM1_COM7, 7},
                                                    {FORM1_COM8, 8}}};
constexpr std::array<button_value, 4> baud_buttons{{{FORM1_BAUD9600, 9600},
                                                    {FORM1_BAUD4800, 4800},
                                                    {FORM1_BAUD2400, 2400},
                                                    {FORM1_BAUD1200, 1200}}};

constexpr std::string_view warning_caption = "Quillon";

bool is_ticked(window_system& windows, window_handle main_window, int id) {
    // The indeterminate state 2 counts as ticked too.
    return windows.send_message(windows.find_control(main_window, id), bm_getcheck, 0, 0) != 0;
}

template <std::size_t N>
std::int32_t read_buttons(window_system& windows, window_handle main_window,
                          const std::array<button_value, N>& buttons) {
    std::int32_t result = 0;
    // Every button is asked, so a later ticked one overrides an earlier one.
    for (const button_value& button : buttons) {
        if (is_ticked(windows, main_window, button.id)) result = button.value;
    }
    return result;
}

// The text box's text as the port's module reads it: in the module's ROM codes when the ports file
// names one for the port (the tags stay as typed: the library's send translates them next), in
// the window's code page, 1252, otherwise.
std::string typed_bytes(window_system& windows, window_handle text_box,
                        const serial_library& serial, std::int32_t port) {
    const std::optional<charset::rom> rom =
        serial.port_charset ? serial.port_charset(port) : std::nullopt;
    if (!rom) return windows.get_text(text_box);
    std::string utf8;
    for (const char32_t c : windows.get_characters(text_box)) utf8 += charset::encode_utf8(c);
    return charset::to_rom_codes(utf8, *rom).bytes;
}

}  // namespace

std::int32_t read_port(window_system& windows, window_handle main_window) {
    return read_buttons(windows, main_window, port_buttons);
}

std::int32_t read_baud(window_system& windows, window_handle main_window) {
    return read_buttons(windows, main_window, baud_buttons);
}

std::int32_t send_action(window_system& windows, window_handle main_window,
                         const serial_library& serial, std::uintptr_t wparam) {
    // Focus notifications from the button come here too; only a click sends.
    if (high_word(wparam) != bn_clicked) return 0;

    const window_handle text_box = windows.find_control(main_window, FORM1_TEXT);
    const std::int32_t port = read_port(windows, main_window);
    const std::int32_t baud = read_baud(windows, main_window);
    const std::string text = typed_bytes(windows, text_box, serial, port);

    const int opened = serial.open(port, baud);
    // Asked at once: the send that follows, with no port open, must not hide why.
    std::string failure = opened == 1 ? std::string{} : serial.failure();
    // The send replaces the handle it is given with the translated bytes, so it gets a copy.
    BSTR copy = serial.allocate(text.data(), static_cast<unsigned int>(text.size()));
    serial.send(&copy);
    serial.release(copy);
    serial.close();
    // Asked after the close: over a network the close is the last word on whether the server
    // took every byte, and a send is a success only when every step was.
    if (opened == 1) failure = serial.failure();

    // Nothing went out, or not all of it: keep the user's text rather than lose it, and say why.
    if (!failure.empty()) {
        windows.warn(main_window, warning_caption, failure);
    } else if (opened == 1 && is_ticked(windows, main_window, FORM1_CLEAR)) {
        windows.set_text(text_box, "");
    }
    return 0;
}

}  // namespace quillon::ui
