// Every name of the symbol table does something on a module of its family: sent alone to a
// fresh module of the profile below (with the parameter bytes it needs), it changes the glass or
// the module's state, which the snapshot shows or a following byte (the probe) proves. A name
// whose command is the power-up setting is sent after a setup that undoes it. No name is
// without an effect on its family's profile (an ASCII name counts where its byte acts), so the
// list of exceptions is empty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/module.h"
#include "translate/symbol_names.h"
#include "translate/tag_families.h"

namespace quillon::display {
namespace {

using namespace std::string_literals;

struct name_case {
    std::vector<std::string_view> names;
    profile on;
    std::string before = {};  // the setup, fed to both modules
    std::string after = {};   // the command's parameters
    std::string probe = "A";  // fed to both afterwards
};

// clang-format off
const name_case cases[] = {
    // Bytes the text module ignores; the HD44780 shows them as characters.
    {{"NUL", "NULL", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB", "FS", "GS", "RS", "US"},
     profile::hd44780},
    {{"SOH", "HOME"}, profile::text, "AB"},
    {{"STX", "BIG_BEGIN", "ENQ", "UL_CURSOR", "ACK", "BK_CURSOR", "BEL", "BELL", "BS",
      "BACKSPACE", "HT", "TAB", "LF", "LINEFEED", "VT", "VTAB", "CR", "RETURN", "SO", "BL_ON",
      "BACKLIGHT_ON", "VFD_ON", "DLE", "POSITION", "DC1", "CLR_COL", "ESC"},
     profile::text},
    {{"ETX", "BIG_END"}, profile::text, "\x02"},
    {{"EOT", "NO_CURSOR"}, profile::text, "\x05"},
    {{"FF", "CLS", "CLEAR", "CLEAR_SCREEN"}, profile::text, "A"},
    {{"SI", "BL_OFF", "BACKLIGHT_OFF", "VFD_OFF"}, profile::text, "\x0e"},
    {{"DC2", "RIGHT_ALIGN"}, profile::text, "", "5"},
    {{"DEFINE_CHAR"}, profile::text, "", "0\x1f\x11\x11\x11\x11\x11\x1f\0"s},

    {{"EEPROM_TO_SCREEN"}, profile::graphic_layers, "", "\0"s},
    {{"SET_ADDRESS"}, profile::graphic_layers, "", "\x05\x01", "\x1b" "B\xff"},
    {{"WRITE_BYTE", "CLEAR_TO_BYTE"}, profile::graphic_layers, "", "\xff"},
    {{"DOWNLOAD_GRAPHIC", "REVERSE_GRAPHICS", "REVERSE_TEXT", "REVERSE_BOTH", "LAYERS_TEXT_OFF",
      "LAYERS_BOTH_OFF", "ZAP_BOTH_SETTINGS"},
     profile::graphic_layers},
    {{"SET_FONT"}, profile::graphic, "", "3"},
    {{"SET_INK"}, profile::graphic_layers, "", "0", "\x1b" "P\x05\x05"},
    {{"LINE"}, profile::graphic_layers, "", "\0\0\x0a\0"s},
    {{"LINE_TO"}, profile::graphic_layers, "", "\x0a\0"s},
    {{"MODE_XOR"}, profile::graphic_layers, "", "", "\x1b" "C\xff\x1b" "P\x05\x05"},
    {{"MODE_OR"}, profile::graphic_layers, "\x1b" "MA", "", "\x1b" "C\xff\x1b" "P\x05\x05"},
    {{"OVERLAY_XOR", "OVERLAY_AND"}, profile::graphic_layers, "", "", "A\x1b" "C\xff"},
    {{"OVERLAY_OR"}, profile::graphic_layers, "\x1b" "OA", "", "A\x1b" "C\xff"},
    {{"POINT"}, profile::graphic_layers, "", "\x05\x05"},
    {{"REVERSE_NONE"}, profile::graphic_layers, "\x1b" "RC"},
    {{"REVERSE_LINES"}, profile::graphic, "", "\0"s},
    {{"LAYERS_BOTH_ON"}, profile::graphic_layers, "\x1b" "YC"},
    {{"LAYERS_GRAPHICS_OFF", "ZAP_GRAPHICS_SETTINGS"}, profile::graphic_layers, "", "",
     "\x1b" "C\xff"},
    // Stores the screen, shows nothing: the picture comes back after a clear.
    {{"TRANSFER_TO_EE"}, profile::graphic_layers, "\x1b" "P\x05\x05", "\x02",
     "\x1b" "C\0\x1b" "E\x02"s},
    {{"ZAP_TEXT_SETTINGS"}, profile::graphic_layers, "A"},

    {{"LMA_CLS", "LMB_CLS", "LMA_SCROLL_LEFT", "LMB_SCROLL_LEFT", "LMA_SCROLL_RIGHT",
      "LMB_SCROLL_RIGHT"}, profile::hd44780, "A"},
    {{"LMA_HOME", "LMB_HOME", "LMA_LINE1", "LMB_LINE1"}, profile::hd44780, "AB"},
    {{"LMA_NO_CURSOR", "LMB_NO_CURSOR"}, profile::hd44780, "\xfe\x0e"},
    {{"LMA_BLANK", "LMB_BLANK", "LMA_BLOCK_CURSOR", "LMB_BLOCK_CURSOR", "LMA_UL_CURSOR",
      "LMB_UL_CURSOR", "LMA_MOVE_LEFT", "LMB_MOVE_LEFT", "LMA_MOVE_RIGHT", "LMB_MOVE_RIGHT",
      "LMA_PREFIX", "LMB_PREFIX", "LMA_LINE2", "LMB_LINE2", "LMA_LINE3", "LMB_LINE3",
      "LMA_LINE4", "LMB_LINE4"},
     profile::hd44780},
};
// clang-format on

const name_case* case_of(std::string_view name) {
    for (const name_case& c : cases) {
        for (const std::string_view n : c.names) {
            if (n == name) return &c;
        }
    }
    return nullptr;
}

// The snapshots after the setup and the bytes, and after the probe too.
std::pair<screen, screen> after(const name_case& c, std::string_view bytes) {
    const auto m = make_module(c.on, facts(c.on).default_size);
    m->feed(c.before);
    m->feed(bytes);
    std::pair<screen, screen> seen{m->view(), {}};
    m->feed(c.probe);
    seen.second = m->view();
    return seen;
}

TEST(tag_effects, every_name_changes_a_module_of_its_family) {
    ASSERT_EQ(tag_families().size(), symbol_names().size());
    constexpr std::uint8_t family_bit[] = {family_a, family_b, family_c};
    for (std::size_t i = 0; i < symbol_names().size(); ++i) {
        const named_bytes& entry = symbol_names()[i];
        ASSERT_EQ(tag_families()[i].name, entry.name) << "the families in the table's order";
        const name_case* c = case_of(entry.name);
        ASSERT_NE(c, nullptr) << entry.name << " has no row";
        EXPECT_NE(tag_families()[i].families & family_bit[static_cast<int>(facts(c->on).bytes)], 0)
            << entry.name << " is not for " << facts(c->on).name;
        const std::string bytes(entry.bytes.begin(), entry.bytes.begin() + entry.length);
        // The parameters alone would act too: the name's bytes make the difference.
        EXPECT_NE(after(*c, bytes + c->after), after(*c, c->after)) << entry.name;
    }
}

}  // namespace
}  // namespace quillon::display
