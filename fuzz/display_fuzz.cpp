// Fuzzes the display core, every profile: no crash, no sanitizer report, and the same screen
// whether the bytes arrive whole or in pieces (a sequence cut between two pieces goes on in the
// next one: a 254, a POSITION, an escape and its arguments, a picture being downloaded).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "display/module.h"

namespace {

using quillon::display::screen;

bool same(const screen& a, const screen& b) {
    return a.size == b.size && a.display_on == b.display_on && a.codes == b.codes &&
           a.cursor_row == b.cursor_row && a.cursor_column == b.cursor_column &&
           a.underline_cursor == b.underline_cursor && a.blinking_cursor == b.blinking_cursor &&
           a.custom == b.custom && a.first_custom_code == b.first_custom_code &&
           a.custom_codes == b.custom_codes && a.character_rom == b.character_rom &&
           a.backlight == b.backlight && a.brightness == b.brightness && a.bells == b.bells &&
           a.pixel_width == b.pixel_width && a.pixel_height == b.pixel_height &&
           a.pixels == b.pixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    namespace display = quillon::display;
    // The first byte picks the profile and its size (one of every pair), the ROM and the piece
    // length, so the fuzzer explores them all.
    int pairs = 0;
    for (const display::profile_facts& f : display::all_profiles()) {
        pairs += static_cast<int>(f.sizes.size());
    }
    int choice = data[0] % pairs;
    display::profile p = display::profile::hd44780;
    for (const display::profile_facts& f : display::all_profiles()) {
        if (choice < static_cast<int>(f.sizes.size())) {
            p = f.id;
            break;
        }
        choice -= static_cast<int>(f.sizes.size());
    }
    const display::display_size glass = display::facts(p).sizes[static_cast<std::size_t>(choice)];
    const display::rom table = data[0] / pairs % 2 == 0 ? display::rom::a00 : display::rom::a02;
    const std::size_t piece = 1 + static_cast<std::size_t>(data[0] / pairs / 2 % 9);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const auto whole = display::make_module(p, glass, table);
    whole->feed(bytes);
    const auto split = display::make_module(p, glass, table);
    for (std::size_t at = 0; at < bytes.size(); at += piece) split->feed(bytes.substr(at, piece));
    if (!same(whole->view(), split->view())) std::abort();
    return 0;
}
