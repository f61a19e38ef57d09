// The symbol table: 116 names of control codes and display commands, and the three shape
// rules (control letter, underscore number, backslash text) that are tried before them.
#include <algorithm>
#include <array>
#include <cstdint>

#include "translate/byte_classes.h"
#include "translate/byte_writers.h"
#include "translate/symbol_names.h"
#include "translate/translate.h"

namespace quillon {
namespace {

constexpr std::uint8_t esc = 27;
constexpr std::uint8_t lm = 254;  // lead-in byte of the display-module families

// clang-format off
constexpr std::array<named_bytes, 116> names{{
    // ASCII control codes 0-31, and NULL beside NUL.
    {"NUL", 1, {0}}, {"SOH", 1, {1}}, {"STX", 1, {2}}, {"ETX", 1, {3}}, {"EOT", 1, {4}},
    {"ENQ", 1, {5}}, {"ACK", 1, {6}}, {"BEL", 1, {7}}, {"BS", 1, {8}}, {"HT", 1, {9}},
    {"LF", 1, {10}}, {"VT", 1, {11}}, {"FF", 1, {12}}, {"CR", 1, {13}}, {"SO", 1, {14}},
    {"SI", 1, {15}}, {"DLE", 1, {16}}, {"DC1", 1, {17}}, {"DC2", 1, {18}}, {"DC3", 1, {19}},
    {"DC4", 1, {20}}, {"NAK", 1, {21}}, {"SYN", 1, {22}}, {"ETB", 1, {23}}, {"CAN", 1, {24}},
    {"EM", 1, {25}}, {"SUB", 1, {26}}, {"ESC", 1, {27}}, {"FS", 1, {28}}, {"GS", 1, {29}},
    {"RS", 1, {30}}, {"US", 1, {31}}, {"NULL", 1, {0}},
    // One-byte commands of serial character displays.
    {"HOME", 1, {1}}, {"BIG_BEGIN", 1, {2}}, {"BIG_END", 1, {3}}, {"NO_CURSOR", 1, {4}},
    {"UL_CURSOR", 1, {5}}, {"BK_CURSOR", 1, {6}}, {"BELL", 1, {7}}, {"BACKSPACE", 1, {8}},
    {"TAB", 1, {9}}, {"LINEFEED", 1, {10}}, {"VTAB", 1, {11}},
    {"CLS", 1, {12}}, {"CLEAR", 1, {12}}, {"CLEAR_SCREEN", 1, {12}}, {"RETURN", 1, {13}},
    {"BL_ON", 1, {14}}, {"BACKLIGHT_ON", 1, {14}}, {"VFD_ON", 1, {14}},
    {"BL_OFF", 1, {15}}, {"BACKLIGHT_OFF", 1, {15}}, {"VFD_OFF", 1, {15}},
    {"POSITION", 1, {16}}, {"CLR_COL", 1, {17}}, {"RIGHT_ALIGN", 1, {18}},
    // Escape sequences of graphic displays.
    {"EEPROM_TO_SCREEN", 2, {esc, 'E'}}, {"DEFINE_CHAR", 2, {esc, 'D'}},
    {"SET_ADDRESS", 2, {esc, 'A'}}, {"WRITE_BYTE", 2, {esc, 'B'}},
    {"CLEAR_TO_BYTE", 2, {esc, 'C'}}, {"DOWNLOAD_GRAPHIC", 3, {esc, 'D', 'G'}},
    {"SET_FONT", 2, {esc, 'F'}}, {"SET_INK", 2, {esc, 'I'}}, {"LINE", 2, {esc, 'L'}},
    {"LINE_TO", 2, {esc, 'T'}}, {"MODE_OR", 3, {esc, 'M', 64}}, {"MODE_XOR", 3, {esc, 'M', 65}},
    {"OVERLAY_OR", 3, {esc, 'O', 64}}, {"OVERLAY_XOR", 3, {esc, 'O', 65}},
    {"OVERLAY_AND", 3, {esc, 'O', 66}}, {"POINT", 2, {esc, 'P'}},
    {"REVERSE_NONE", 3, {esc, 'R', 64}}, {"REVERSE_GRAPHICS", 3, {esc, 'R', 65}},
    {"REVERSE_TEXT", 3, {esc, 'R', 66}}, {"REVERSE_BOTH", 3, {esc, 'R', 67}},
    {"REVERSE_LINES", 2, {esc, 'R'}},
    {"LAYERS_BOTH_ON", 3, {esc, 'Y', 64}}, {"LAYERS_GRAPHICS_OFF", 3, {esc, 'Y', 65}},
    {"LAYERS_TEXT_OFF", 3, {esc, 'Y', 66}}, {"LAYERS_BOTH_OFF", 3, {esc, 'Y', 67}},
    {"TRANSFER_TO_EE", 2, {esc, 'X'}},
    // Two of the three "zap" commands send Y, not Z: the same bytes as the layer commands.
    {"ZAP_GRAPHICS_SETTINGS", 3, {esc, 'Y', 65}}, {"ZAP_TEXT_SETTINGS", 3, {esc, 'Z', 66}},
    {"ZAP_BOTH_SETTINGS", 3, {esc, 'Y', 67}},
    // The two display-module families share every command and its bytes.
    {"LMA_CLS", 4, {lm, 1, lm, 128}}, {"LMB_CLS", 4, {lm, 1, lm, 128}},
    {"LMA_HOME", 2, {lm, 2}}, {"LMB_HOME", 2, {lm, 2}},
    {"LMA_BLANK", 2, {lm, 8}}, {"LMB_BLANK", 2, {lm, 8}},
    {"LMA_NO_CURSOR", 2, {lm, 12}}, {"LMB_NO_CURSOR", 2, {lm, 12}},
    {"LMA_BLOCK_CURSOR", 2, {lm, 13}}, {"LMB_BLOCK_CURSOR", 2, {lm, 13}},
    {"LMA_UL_CURSOR", 2, {lm, 14}}, {"LMB_UL_CURSOR", 2, {lm, 14}},
    {"LMA_MOVE_LEFT", 2, {lm, 16}}, {"LMB_MOVE_LEFT", 2, {lm, 16}},
    {"LMA_MOVE_RIGHT", 2, {lm, 20}}, {"LMB_MOVE_RIGHT", 2, {lm, 20}},
    {"LMA_SCROLL_LEFT", 2, {lm, 24}}, {"LMB_SCROLL_LEFT", 2, {lm, 24}},
    {"LMA_SCROLL_RIGHT", 2, {lm, 28}}, {"LMB_SCROLL_RIGHT", 2, {lm, 28}},
    {"LMA_PREFIX", 1, {lm}}, {"LMB_PREFIX", 1, {lm}},
    {"LMA_LINE1", 2, {lm, 128}}, {"LMB_LINE1", 2, {lm, 128}},
    {"LMA_LINE2", 2, {lm, 192}}, {"LMB_LINE2", 2, {lm, 192}},
    {"LMA_LINE3", 2, {lm, 148}}, {"LMB_LINE3", 2, {lm, 148}},
    {"LMA_LINE4", 2, {lm, 212}}, {"LMB_LINE4", 2, {lm, 212}},
}};
// clang-format on

// Names are found through a small open-addressed hash table built at compile time: one hash of
// the capitalised field and, almost always, one comparison.
constexpr std::uint32_t fnv1a(std::string_view s) {
    std::uint32_t hash = 2166136261u;
    for (char c : s) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

constexpr std::size_t slot_count = 512;
constexpr std::uint8_t empty_slot = 0xFF;

constexpr auto name_slots = [] {
    std::array<std::uint8_t, slot_count> slots{};
    for (auto& slot : slots) slot = empty_slot;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::size_t at = fnv1a(names[i].name) % slot_count;
        while (slots[at] != empty_slot) at = (at + 1) % slot_count;
        slots[at] = static_cast<std::uint8_t>(i);
    }
    return slots;
}();

constexpr bool names_are_distinct = [] {
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (names[i].name == names[j].name) return false;
        }
    }
    return true;
}();
static_assert(names_are_distinct, "every name occurs once");

constexpr std::size_t longest_name = [] {
    std::size_t longest = 0;
    for (const auto& entry : names) longest = std::max(longest, entry.name.size());
    return longest;
}();

// Each name's letters and digits without its underscores: what a broken tag is matched against.
struct letters_of_name {
    std::array<char, longest_name> letters{};
    std::size_t size = 0;
};
constexpr auto name_letters = [] {
    std::array<letters_of_name, names.size()> all{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const char c : names[i].name) {
            if (c != '_') all[i].letters[all[i].size++] = c;
        }
    }
    return all;
}();

char* write_name_bytes(std::string_view capitals, char* out) {
    for (std::size_t at = fnv1a(capitals) % slot_count; name_slots[at] != empty_slot;
         at = (at + 1) % slot_count) {
        const named_bytes& entry = names[name_slots[at]];
        if (entry.name == capitals) {
            for (std::uint8_t i = 0; i < entry.length; ++i)
                *out++ = static_cast<char>(entry.bytes[i]);
            return out;
        }
    }
    return out;
}

// "_" followed by digits and underscores: one byte, 64 plus the first run of digits after the
// leading underscores, modulo 256. Any other byte makes the field give nothing.
char* write_underscore_number(std::string_view field, char* out) {
    std::uint8_t value = 0;
    bool in_number = false, number_done = false;
    for (char c : field) {
        if (c == '_') {
            number_done = in_number;
        } else if (detail::is_digit(static_cast<unsigned char>(c))) {
            if (!number_done) value = detail::push_digit(value, static_cast<unsigned char>(c));
            in_number = true;
        } else {
            return out;
        }
    }
    *out++ = static_cast<char>(64 + value);
    return out;
}

// "\" followed by text: the text itself in capitals, without leading and trailing blanks and
// backslashes; backslashes inside it are kept.
char* write_backslash_text(std::string_view trimmed, char* out) {
    const auto first = trimmed.find_first_not_of(" \\");
    if (first == std::string_view::npos) return out;
    const auto last = trimmed.find_last_not_of(" \\");
    for (char c : trimmed.substr(first, last - first + 1)) {
        *out++ = static_cast<char>(detail::to_upper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view trim_blanks(std::string_view field) {
    // A tag's body holds no blank: only LOOKUP_SYMBOL's callers pass them.
    if (field.empty() || (field.front() != ' ' && field.back() != ' ')) return field;
    const auto first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return field.substr(first, field.find_last_not_of(' ') - first + 1);
}

}  // namespace

namespace detail {

char* write_symbol_bytes(std::string_view field, char* out) {
    const std::string_view trimmed = trim_blanks(field);
    if (trimmed.empty()) return out;
    const auto first = to_upper(static_cast<unsigned char>(trimmed.front()));

    if (trimmed.size() == 1 && first >= 64 && first <= 95) {  // control letter
        *out++ = static_cast<char>(first - 64);
        return out;
    }
    if (first == '_') return write_underscore_number(trimmed, out);
    if (first == '\\') return write_backslash_text(trimmed, out);

    // Names are matched in capitals; a field longer than every name cannot be one.
    if (trimmed.size() > longest_name) return out;
    std::array<char, longest_name> capitals;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        capitals[i] = static_cast<char>(to_upper(static_cast<unsigned char>(trimmed[i])));
    }
    return write_name_bytes(std::string_view(capitals.data(), trimmed.size()), out);
}

std::string_view name_spelled_by(std::string_view text) {
    std::array<char, longest_name> letters{};
    std::size_t size = 0;
    for (const char c : text) {
        if (c == '-' || c == ' ' || c == '_') continue;
        if (size == letters.size()) return {};
        letters[size++] = static_cast<char>(to_upper(static_cast<unsigned char>(c)));
    }
    // Called only for text that looks like a broken tag, rare in any text: a plain walk will do.
    for (std::size_t i = 0; i < names.size(); ++i) {
        const letters_of_name& known = name_letters[i];
        if (known.size == size &&
            std::equal(letters.begin(), letters.begin() + size, known.letters.begin())) {
            return names[i].name;
        }
    }
    return {};
}

}  // namespace detail

std::span<const named_bytes> symbol_names() { return names; }

std::string LOOKUP_SYMBOL(std::string_view field) {
    std::string out(field.size(), '\0');
    out.resize(detail::write_symbol_bytes(field, out.data()) - out.data());
    return out;
}

}  // namespace quillon
