// Byte classes of the tag language, shared by the scanner and the field rules.
#pragma once

#include <array>
#include <cstdint>

namespace quillon::detail {

// A tag body holds the bytes 65-122 (capital letters, the six characters [ \ ] ^ _ ` and the
// small letters), digits and commas; nothing else, so a tag never spans a line break, a
// blank or a zero byte.
inline constexpr std::array<bool, 256> body_byte_table = [] {
    std::array<bool, 256> table{};
    for (int b = 65; b <= 122; ++b) table[b] = true;
    for (int b = '0'; b <= '9'; ++b) table[b] = true;
    table[','] = true;
    return table;
}();

inline bool is_body_byte(unsigned char b) { return body_byte_table[b]; }
inline bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }
inline unsigned char to_upper(unsigned char b) {
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b;
}

// Adds one decimal digit to a value kept modulo 256. Exact for any number of digits, since
// (10a + d) mod 256 depends only on a mod 256: no overflow and no truncation.
inline std::uint8_t push_digit(std::uint8_t value, unsigned char digit) {
    return static_cast<std::uint8_t>(value * 10u + (digit - '0'));
}

}  // namespace quillon::detail
