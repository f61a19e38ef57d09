// A stand-in for the serial library that records the calls of one Send action, for the tests
// that check what the window hands to the library rather than what reaches the line.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ui/send_action.h"

namespace quillon::ui::testing {

struct serial_calls {
    std::vector<std::string> log;  // "open 8 1200", "allocate", "send", "release", "close"
    std::string sent_bytes;
    int open_result = 1;
    std::string failure_after_open;  // what the library says after the open, and after the send
    std::string failure_after_send;
    int live_strings = 0;
};

inline serial_calls& recorded_serial() {
    static serial_calls calls;
    return calls;
}

// Strings carry their length in front, like the real ones, so the zero byte survives.
inline BSTR fake_allocate(const char* bytes, unsigned int length) {
    recorded_serial().log.emplace_back("allocate");
    ++recorded_serial().live_strings;
    auto* block = static_cast<char*>(std::malloc(sizeof(unsigned int) + length + 1));
    std::memcpy(block, &length, sizeof length);
    if (length != 0) std::memcpy(block + sizeof length, bytes, length);
    block[sizeof length + length] = '\0';
    return block + sizeof length;
}

inline void fake_release(BSTR text) {
    recorded_serial().log.emplace_back(text == nullptr ? "release null" : "release");
    if (text == nullptr) return;
    --recorded_serial().live_strings;
    std::free(text - sizeof(unsigned int));
}

inline int fake_open(int port, int baud) {
    recorded_serial().log.push_back("open " + std::to_string(port) + " " + std::to_string(baud));
    return recorded_serial().open_result;
}

// Records the bytes and replaces the handle, as the translating send does.
inline void fake_send(BSTR* text) {
    recorded_serial().log.emplace_back("send");
    unsigned int length = 0;
    std::memcpy(&length, *text - sizeof length, sizeof length);
    recorded_serial().sent_bytes.assign(*text, length);
    BSTR translated = fake_allocate("x", 1);
    recorded_serial().log.pop_back();
    fake_release(*text);
    recorded_serial().log.pop_back();
    *text = translated;
}

inline std::string fake_failure() {
    serial_calls& calls = recorded_serial();
    calls.log.emplace_back("failure");
    const bool sent = std::count(calls.log.begin(), calls.log.end(), "send") != 0;
    return sent ? calls.failure_after_send : calls.failure_after_open;
}

inline int fake_close() {
    recorded_serial().log.emplace_back("close");
    return 1;
}

inline serial_library fake_serial_library(int open_result = 1) {
    recorded_serial() = serial_calls{};
    recorded_serial().open_result = open_result;
    return serial_library{fake_open,    fake_send,    fake_close, fake_allocate,
                          fake_release, fake_failure, nullptr};
}

}  // namespace quillon::ui::testing
