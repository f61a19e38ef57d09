// The renderer against the profiles' emulators: its bytes, fed to a fresh module of the profile
// after the same history, show the frame it was asked for; and for small cases, exactly the
// bytes that needs, so that a change sending more than needed is caught.
#include "screens/renderer.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "display/big_characters.h"
#include "display/module.h"

namespace quillon::screens {
namespace {

using display::profile;

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (const int b : bytes) s += static_cast<char>(b);
    return s;
}

// Family A's segment legend (display/big_characters.cpp) for the codes 128-135; on the HD44780
// the same characters stand for its user codes 0-7.
constexpr std::string_view legend = "#^_/\\rfo";

frame frame_of(const display_kind& kind, const std::vector<std::string>& rows, bool lit = true) {
    frame f = frame::blank(text_grid(kind));
    f.backlight = lit;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const auto slot = legend.find(rows[r][c]);
            f.at(static_cast<int>(r), static_cast<int>(c)) =
                slot == std::string_view::npos ? static_cast<std::uint8_t>(rows[r][c])
                                               : user_code(kind.profile, static_cast<int>(slot));
            if (slot != std::string_view::npos) f.glyphs[slot] = display::segment_glyphs()[slot];
        }
    }
    return f;
}

// Family A's big symbols at row 0 from `column`, as the module's big mode leaves them.
frame big_frame(const display_kind& kind, std::string_view symbols, int column) {
    frame f = frame::blank(text_grid(kind));
    std::copy(display::segment_glyphs().begin(), display::segment_glyphs().end(), f.glyphs.begin());
    for (const char c : symbols) {
        const display::big_symbol* s = display::find_big_symbol(static_cast<std::uint8_t>(c));
        if (column + s->width > f.grid.columns) break;
        f.big.push_back({column, static_cast<std::uint8_t>(c)});
        for (int r = 0; r < 4; ++r) {
            for (int x = 0; x < s->width; ++x) f.at(r, column + x) = s->cells[r][x];
        }
        column += s->width + 1;
    }
    return f;
}

// What the glass shows of a frame's concern, in words: rows, light, cursor, user characters.
std::string seen(const display_kind& kind, const display::screen& s, const frame& f) {
    std::string text;
    for (int r = 0; r < s.size.rows; ++r) text += s.row(r) + "|";
    text += lit(kind.profile, s) ? " lit" : " dark";
    if (s.underline_cursor || s.blinking_cursor) text += " cursor";
    for (std::size_t n = 0; n < 8; ++n) {
        if (f.glyphs[n] && s.custom[n] != *f.glyphs[n]) text += " glyph " + std::to_string(n);
    }
    return text;
}
std::string seen(const display_kind& kind, const frame& f) {
    display::screen s;
    s.size = f.grid;
    s.codes = f.codes;
    s.display_on = s.backlight = f.backlight;
    for (std::size_t n = 0; n < 8; ++n) s.custom[n] = f.glyphs[n].value_or(display::glyph{});
    return seen(kind, s, f);
}

// Renders each frame in turn (a string instead of a frame: those bytes come from elsewhere) and
// checks a fresh module fed everything against the last frame; returns the last frame's bytes.
using step = std::variant<frame, std::string>;
std::string history(const display_kind& kind, const std::vector<step>& steps) {
    renderer r(kind);
    auto module = display::make_module(kind.profile, kind.size, kind.rom);
    std::string last;
    for (const step& s : steps) {
        if (const auto* raw = std::get_if<std::string>(&s)) {
            r.foreign(*raw);
            module->feed(*raw);
            continue;
        }
        last = r.render(std::get<frame>(s));
        module->feed(last);
        const frame& wanted = std::get<frame>(s);
        EXPECT_EQ(seen(kind, module->view(), wanted), seen(kind, wanted)) << kind_name(kind);
        EXPECT_EQ(seen(kind, r.shown(), wanted), seen(kind, wanted))
            << "twin of " << kind_name(kind);
    }
    return last;
}

const display_kind lcd_20x4{profile::hd44780, {20, 4}};
const display_kind lcd_16x2{profile::hd44780, {16, 2}};
const display_kind lcd_16x4{profile::hd44780, {16, 4}};
const display_kind text_20x4{profile::text, {20, 4}};
const display_kind vfd_20x2{profile::text_vfd, {20, 2}};
const display_kind graphic{profile::graphic, {120, 32}};
const display_kind layered{profile::graphic_layers, {128, 64}};

// The bytes of the second frame over the first: the cursor's moves and the cells that changed.
TEST(renderer, sends_only_what_changed) {
    struct row {
        const char* what;
        display_kind kind;
        std::vector<std::string> before, after;
        std::string bytes;
    };
    const std::vector<row> rows{
        {"one cell on a 20x4: set address, the code",
         lcd_20x4,
         {},
         {"", "", "   X"},
         B({254, 0x80 | 0x17, 'X'})},
        {"nothing changed: nothing sent", lcd_20x4, {"same"}, {"same"}, ""},
        {"one unchanged cell between: rewritten", lcd_20x4, {}, {"A B"}, B({'A', ' ', 'B'})},
        {"two between: a move costs the same, so a move",
         lcd_20x4,
         {},
         {"A  B"},
         B({'A', 254, 0x83, 'B'})},
        {"the end of row 1 runs on into row 3 on a 4-row glass",
         lcd_20x4,
         {},
         {"                   X", "", "Y"},
         B({254, 0x80 | 0x13, 'X', 'Y'})},
        {"16x4: rows 3 and 4 start at 0x10 and 0x50",
         lcd_16x4,
         {},
         {"", "", "", "Z"},
         B({254, 0x80 | 0x50, 'Z'})},
        {"16x2: after row 1 the memory runs on unseen",
         lcd_16x2,
         {},
         {"               X", "Y"},
         B({254, 0x80 | 0x0F, 'X', 254, 0xC0, 'Y'})},
        {"in the memory's order from the cursor on",
         lcd_20x4,
         {"A"},
         {"B", "C", "D"},
         B({254, 0x94, 'D', 254, 0xC0, 'C', 254, 0x80, 'B'})},
        {"family A: POSITION in its one-byte form",
         text_20x4,
         {},
         {"", " Z"},
         B({16, 64 + 21, 'Z'})},
        {"family A: HOME to the first cell", text_20x4, {"", " ."}, {"A", " ."}, B({1, 'A'})},
        {"family A: RETURN to the next row's start",
         text_20x4,
         {},
         {"A", "B", "    C"},
         B({'A', 13, 'B', 16, 64 + 44, 'C'})},
        {"family A: the cursor runs round from the last cell",
         text_20x4,
         {"", "", "", "                   Q"},
         {"R", "", "", "                   Q"},
         B({'R'})},
        {"120x32: its 20x4 grid of small cells",
         graphic,
         {},
         {"", "", "", "   G"},
         B({16, 64 + 63, 'G'})},
        {"128x64: its 16x4 text layer", layered, {}, {"", "", "", "   G"}, B({16, 64 + 51, 'G'})},
    };
    for (const row& r : rows) {
        EXPECT_EQ(history(r.kind, {frame_of(r.kind, r.before), frame_of(r.kind, r.after)}), r.bytes)
            << r.what;
    }
}

TEST(renderer, light_user_characters_and_big_mode) {
    frame two = frame_of(lcd_20x4, {"#^"});
    frame dark = two;
    dark.backlight = false;
    frame redefined = two;
    redefined.glyphs[1] = display::glyph{1, 2, 3, 4, 5, 6, 7, 8};
    struct row {
        const char* what;
        display_kind kind;
        std::vector<step> steps;
        std::string bytes;
    };
    const std::vector<row> rows{
        {"HD44780: off is the display-off instruction", lcd_20x4, {two, dark}, B({254, 0x08})},
        {"family A: the backlight",
         text_20x4,
         {frame_of(text_20x4, {}), frame_of(text_20x4, {}, false)},
         B({15})},
        {"VFD: the display, with the same byte",
         vfd_20x2,
         {frame_of(vfd_20x2, {}, false), frame_of(vfd_20x2, {})},
         B({14})},
        {"user characters are loaded once",
         lcd_20x4,
         {two, frame_of(lcd_20x4, {"^#"})},
         B({254, 0x80, 1, 0})},
        {"a character whose dots change is loaded again",
         lcd_20x4,
         {two, redefined},
         B({254, 0x48, 1, 2, 3, 4, 5, 6, 7, 8})},
        {"family A: the segment shapes (ESC E), then big symbols drawn by the module",
         text_20x4,
         {frame_of(text_20x4, {}), big_frame(text_20x4, "12", 0)},
         B({27, 'E', '1', 1, 2, '1', '2', 3})},
        {"family A: only the big symbol that changed",
         text_20x4,
         {big_frame(text_20x4, "1234", 0), big_frame(text_20x4, "1235", 0)},
         B({16, 64 + 15, 2, '5', 3})},
        {"family A: a redefined character, then ESC E gives the segments back",
         text_20x4,
         {frame_of(text_20x4, {"#"}), B({27, 'D', 0, 31, 31, 31, 31, 31, 31, 31, 31}),
          frame_of(text_20x4, {}), big_frame(text_20x4, "8", 0)},
         B({27, 'E', '1', 1, 2, '8', 3})},
    };
    for (const row& r : rows) EXPECT_EQ(history(r.kind, r.steps), r.bytes) << r.what;
}

// The first frame, and the first after bytes from elsewhere, start with the profile's restart.
TEST(renderer, restarts_where_the_state_is_unknown) {
    struct row {
        display_kind kind;
        std::string bytes;
    };
    const std::vector<row> rows{
        {lcd_16x2, B({0, 254, 0x01, 254, 0x06, 254, 0x0C, 'H', 'i'})},
        {text_20x4, B({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 12, 4, 14, 'H', 'i'})},
        {graphic, B({0, 0, 0, 0, 1, 3, 27, 'F', 0, 12, 4, 14, 'H', 'i'})},
        {layered, B({0, 0, 0, 0, 1, 27, 'Z', 3, 27, 'Y', 0, 27, 'O', 0, 4, 14, 'H', 'i'})},
    };
    for (const row& r : rows) {
        const frame hi = frame_of(r.kind, {"Hi"});
        EXPECT_EQ(history(r.kind, {hi}), r.bytes) << kind_name(r.kind);
        // A raw message cut inside a sequence: the restart ends it, and repaints whole.
        const std::string cut =
            r.kind.profile == profile::hd44780 ? B({'x', 254}) : B({27, 'D', 1});
        EXPECT_EQ(history(r.kind, {hi, cut, hi}), r.bytes) << kind_name(r.kind);
    }
}

// Random pairs of frames on every profile and size: the second drawn over the first, sometimes
// after random bytes from elsewhere, shows on a fresh module fed the same.
TEST(renderer, random_frames_show_on_every_profile) {
    std::mt19937 random(26);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const display::profile_facts& facts : display::all_profiles()) {
        for (const display::display_size size : facts.sizes) {
            const display_kind kind{facts.id, size,
                                    pick(2) == 0 ? display::rom::a00 : display::rom::a02};
            std::vector<std::uint8_t> codes;
            for (int c = 0; c < 256; ++c) {
                if (text_code(kind.profile, static_cast<std::uint8_t>(c))) codes.push_back(c);
            }
            auto random_frame = [&](const frame* like) {
                frame f = like != nullptr ? *like : frame::blank(text_grid(kind));
                if (kind.profile == profile::text && size.rows == 4 && pick(4) == 0) {
                    f = big_frame(kind,
                                  std::string(1, "0123456789AZ:-. "[pick(16)]) +
                                      "8:" + "0123456789"[pick(10)],
                                  pick(6));
                }
                f.backlight = pick(4) != 0;
                const int changes = like != nullptr ? pick(6) : static_cast<int>(f.codes.size());
                for (int i = 0; i < changes; ++i) {
                    auto& cell =
                        f.codes[static_cast<std::size_t>(pick(static_cast<int>(f.codes.size())))];
                    const int slot = pick(8);
                    if (has_user_characters(kind.profile) && pick(5) == 0) {
                        cell = user_code(kind.profile, slot);
                        display::glyph dots{};
                        for (auto& row : dots) row = static_cast<std::uint8_t>(pick(32));
                        if (!f.glyphs[slot] || pick(3) == 0) f.glyphs[slot] = dots;
                    } else {
                        cell =
                            codes[static_cast<std::size_t>(pick(static_cast<int>(codes.size())))];
                    }
                }
                return f;
            };
            for (int pair = 0; pair < 60; ++pair) {
                const frame first = random_frame(nullptr);
                std::vector<step> steps{first};
                if (pick(4) == 0) {
                    std::string raw;
                    for (int i = pick(12); i > 0; --i) {
                        // Not 'G': ESC D G would wait for a whole picture of the graphic modules.
                        const int b = pick(256);
                        raw += static_cast<char>(b == 'G' ? 'H' : b);
                    }
                    // Often cut inside a sequence, of one family or another.
                    const std::string cuts[] = {B({27, 'D', 1}), B({27, 'L', 1}),   B({16}),
                                                B({16, '1'}),    B({18, '5', 'x'}), B({254}),
                                                B({2})};
                    if (pick(2) == 0) raw += cuts[pick(7)];
                    steps.emplace_back(raw);
                }
                steps.emplace_back(random_frame(pick(2) == 0 ? &first : nullptr));
                history(kind, steps);
                if (testing::Test::HasFailure()) return;
            }
        }
    }
}

}  // namespace
}  // namespace quillon::screens
