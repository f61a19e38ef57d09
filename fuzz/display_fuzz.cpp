// Fuzzes the display core: no crash, no sanitizer report, and the same screen whether the
// bytes arrive whole or in pieces (a 254 at the end of one piece governs the next).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "display/controller.h"

namespace {

bool same(const quillon::display::screen& a, const quillon::display::screen& b) {
    return a.codes == b.codes && a.display_on == b.display_on && a.cursor_row == b.cursor_row &&
           a.cursor_column == b.cursor_column && a.underline_cursor == b.underline_cursor &&
           a.blinking_cursor == b.blinking_cursor && a.custom == b.custom;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    using quillon::display::display_size;
    // The first byte picks the size and the piece length, so the fuzzer explores both.
    constexpr display_size sizes[] = {{16, 2}, {20, 2}, {20, 4}, {16, 4}, {40, 2}};
    const display_size size_of_glass = sizes[data[0] % 5];
    const std::size_t piece = 1 + data[0] / 5 % 7;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    quillon::display::serial_module whole(size_of_glass);
    whole.feed(bytes);
    quillon::display::serial_module split(size_of_glass);
    for (std::size_t at = 0; at < bytes.size(); at += piece) split.feed(bytes.substr(at, piece));
    if (!same(whole.view(), split.view())) std::abort();
    return 0;
}
