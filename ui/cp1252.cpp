#include "ui/cp1252.h"

#include <array>

namespace quillon::ui {

namespace {

// The characters of bytes 0x80-0x9F; every other byte is the character of the same number.
constexpr std::array<char32_t, 32> upper_controls = {
    U'\u20AC', U'\u0081', U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', U'\u008D', U'\u017D', U'\u008F',
    U'\u0090', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', U'\u009D', U'\u017E', U'\u0178',
};

constexpr char32_t first_upper = 0x80;
constexpr char32_t after_upper = 0xA0;

char encode_one(char32_t character) {
    if (character < first_upper || (character >= after_upper && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    for (std::size_t i = 0; i < upper_controls.size(); ++i) {
        if (upper_controls[i] == character) return static_cast<char>(first_upper + i);
    }
    return '?';
}

}  // namespace

std::u32string decode_cp1252(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += (value >= first_upper && value < after_upper) ? upper_controls[value - first_upper]
                                                              : char32_t{value};
    }
    return text;
}

std::string encode_cp1252(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char32_t character : text) bytes += encode_one(character);
    return bytes;
}

}  // namespace quillon::ui
