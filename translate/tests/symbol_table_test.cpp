#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "translate/tests/byte_literals.h"
#include "translate/translate.h"

namespace quillon {
namespace {

using test::bytes;
using test::decimal;

struct symbol_case {
    std::string field;
    std::string expected;
};

// Every name with its bytes, written out independently of the table in the library.
const std::vector<symbol_case>& all_names() {
    static const std::vector<symbol_case> names = [] {
        std::vector<symbol_case> v;
        const char* ascii[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                               "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                               "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                               "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
        for (int i = 0; i < 32; ++i) v.push_back({ascii[i], bytes({i})});
        v.push_back({"NULL", bytes({0})});
        const std::vector<std::pair<std::string, int>> display = {
            {"HOME", 1},          {"BIG_BEGIN", 2},     {"BIG_END", 3},  {"NO_CURSOR", 4},
            {"UL_CURSOR", 5},     {"BK_CURSOR", 6},     {"BELL", 7},     {"BACKSPACE", 8},
            {"TAB", 9},           {"LINEFEED", 10},     {"VTAB", 11},    {"CLS", 12},
            {"CLEAR", 12},        {"CLEAR_SCREEN", 12}, {"RETURN", 13},  {"BL_ON", 14},
            {"BACKLIGHT_ON", 14}, {"VFD_ON", 14},       {"BL_OFF", 15},  {"BACKLIGHT_OFF", 15},
            {"VFD_OFF", 15},      {"POSITION", 16},     {"CLR_COL", 17}, {"RIGHT_ALIGN", 18}};
        for (const auto& [name, b] : display) v.push_back({name, bytes({b})});
        const std::vector<symbol_case> graphic = {{"EEPROM_TO_SCREEN", bytes({27, 69})},
                                                  {"DEFINE_CHAR", bytes({27, 68})},
                                                  {"SET_ADDRESS", bytes({27, 65})},
                                                  {"WRITE_BYTE", bytes({27, 66})},
                                                  {"CLEAR_TO_BYTE", bytes({27, 67})},
                                                  {"DOWNLOAD_GRAPHIC", bytes({27, 68, 71})},
                                                  {"SET_FONT", bytes({27, 70})},
                                                  {"SET_INK", bytes({27, 73})},
                                                  {"LINE", bytes({27, 76})},
                                                  {"LINE_TO", bytes({27, 84})},
                                                  {"MODE_OR", bytes({27, 77, 64})},
                                                  {"MODE_XOR", bytes({27, 77, 65})},
                                                  {"OVERLAY_OR", bytes({27, 79, 64})},
                                                  {"OVERLAY_XOR", bytes({27, 79, 65})},
                                                  {"OVERLAY_AND", bytes({27, 79, 66})},
                                                  {"POINT", bytes({27, 80})},
                                                  {"REVERSE_NONE", bytes({27, 82, 64})},
                                                  {"REVERSE_GRAPHICS", bytes({27, 82, 65})},
                                                  {"REVERSE_TEXT", bytes({27, 82, 66})},
                                                  {"REVERSE_BOTH", bytes({27, 82, 67})},
                                                  {"REVERSE_LINES", bytes({27, 82})},
                                                  {"LAYERS_BOTH_ON", bytes({27, 89, 64})},
                                                  {"LAYERS_GRAPHICS_OFF", bytes({27, 89, 65})},
                                                  {"LAYERS_TEXT_OFF", bytes({27, 89, 66})},
                                                  {"LAYERS_BOTH_OFF", bytes({27, 89, 67})},
                                                  {"TRANSFER_TO_EE", bytes({27, 88})},
                                                  {"ZAP_GRAPHICS_SETTINGS", bytes({27, 89, 65})},
                                                  {"ZAP_TEXT_SETTINGS", bytes({27, 90, 66})},
                                                  {"ZAP_BOTH_SETTINGS", bytes({27, 89, 67})}};
        v.insert(v.end(), graphic.begin(), graphic.end());
        const std::vector<std::pair<std::string, std::string>> module = {
            {"CLS", bytes({254, 1, 254, 128})}, {"HOME", bytes({254, 2})},
            {"BLANK", bytes({254, 8})},         {"NO_CURSOR", bytes({254, 12})},
            {"BLOCK_CURSOR", bytes({254, 13})}, {"UL_CURSOR", bytes({254, 14})},
            {"MOVE_LEFT", bytes({254, 16})},    {"MOVE_RIGHT", bytes({254, 20})},
            {"SCROLL_LEFT", bytes({254, 24})},  {"SCROLL_RIGHT", bytes({254, 28})},
            {"PREFIX", bytes({254})},           {"LINE1", bytes({254, 128})},
            {"LINE2", bytes({254, 192})},       {"LINE3", bytes({254, 148})},
            {"LINE4", bytes({254, 212})}};
        for (const auto& [command, b] : module) {
            v.push_back({"LMA_" + command, b});
            v.push_back({"LMB_" + command, b});
        }
        return v;
    }();
    return names;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string alternate_case(std::string s) {
    for (std::size_t i = 0; i < s.size(); i += 2) {
        s[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    }
    return s;
}

void expect_symbols(const std::vector<symbol_case>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(decimal(LOOKUP_SYMBOL(c.field)), decimal(c.expected)) << "field: " << c.field;
    }
}

TEST(lookup_symbol, every_name_in_any_case_gives_its_bytes) {
    const auto& names = all_names();
    ASSERT_EQ(names.size(), 116u);
    std::set<std::string> distinct;
    for (const auto& c : names) distinct.insert(c.field);
    EXPECT_EQ(distinct.size(), 116u);

    for (const auto& c : names) {
        for (const auto& spelling : {c.field, lower(c.field), alternate_case(c.field)}) {
            EXPECT_EQ(decimal(LOOKUP_SYMBOL(spelling)), decimal(c.expected)) << spelling;
            // Through a whole text too, where the name stands as a tag.
            EXPECT_EQ(decimal(TRANSLATE_TEXT("<" + spelling + ">")), decimal(c.expected))
                << spelling;
        }
    }
}

TEST(lookup_symbol, names_match_only_the_whole_field) {
    expect_symbols({
        {"CLEAR_SCREE", ""},
        {"CLEAR_SCREENS", ""},
        {"LMC_CLS", ""},
        {"FOO", ""},
        {"1A", ""},
        {"A1", ""},
        {"ZAP_GRAPHICS_SETTINGS_", ""},
        {std::string(200, 'X'), ""},
    });
}

TEST(lookup_symbol, single_bytes_64_to_95_are_control_letters) {
    for (int b = 64; b <= 95; ++b) {
        EXPECT_EQ(decimal(LOOKUP_SYMBOL(std::string(1, static_cast<char>(b)))),
                  std::to_string(b - 64))
            << b;
    }
    for (int b = 'a'; b <= 'z'; ++b) {
        EXPECT_EQ(decimal(LOOKUP_SYMBOL(std::string(1, static_cast<char>(b)))),
                  std::to_string(b - 96))
            << b;
    }
    expect_symbols({{"`", ""}, {"{", ""}, {"?", ""}});
}

TEST(lookup_symbol, underscore_numbers) {
    expect_symbols({
        {"_", bytes({31})},  // one byte long: the control-letter rule comes first
        {"_5", bytes({69})},
        {"_0", bytes({64})},
        {"__", bytes({64})},
        {"_1_2", bytes({65})},
        {"___7___", bytes({71})},
        {"_191", bytes({255})},
        {"_192", bytes({0})},
        {"_18446744073709551676", bytes({(64 + 60) % 256})},
        {"_A", ""},
        {"_5A", ""},
        {"_5,", ""},
    });
}

TEST(lookup_symbol, backslash_text) {
    expect_symbols({
        {"\\", bytes({28})},  // one byte long: the control-letter rule comes first
        {"\\abc", "ABC"},
        {"\\a\\b", "A\\B"},
        {"\\\\", ""},
        {"\\cls", "CLS"},
        {"\\\\x\\\\", "X"},
        {"\\Hello_World1", "HELLO_WORLD1"},
    });
}

TEST(lookup_symbol, blanks_around_a_field_are_ignored) {
    expect_symbols({
        {"  cr  ", bytes({13})},
        {" a", bytes({1})},
        {"   ", ""},
        {"", ""},
        {"\\ abc \\ ", "ABC"},
    });
}

TEST(lookup_symbol, result_is_never_longer_than_the_field) {
    for (const auto& c : all_names()) EXPECT_LE(LOOKUP_SYMBOL(c.field).size(), c.field.size());
}

}  // namespace
}  // namespace quillon
