#include "charset/utf8.h"

#include <cstdint>

namespace quillon::charset {
namespace {

// The length a lead byte announces, and its bits of the code point; 0 for a byte that starts no
// character (a continuation byte, C0, C1, F5-FF: the first two would only give overlong forms).
std::size_t announced_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Whether the byte after the lead is allowed: these exclude overlong three- and four-byte forms,
// the surrogates (ED A0-BF) and anything past U+10FFFF (F4 90-BF), so a cut character is
// recognised as soon as its second byte is in.
bool second_byte_fits(unsigned char lead, unsigned char second) {
    if ((second & 0xC0) != 0x80) return false;
    if (lead == 0xE0) return second >= 0xA0;
    if (lead == 0xED) return second <= 0x9F;
    if (lead == 0xF0) return second >= 0x90;
    if (lead == 0xF4) return second <= 0x8F;
    return true;
}

}  // namespace

std::optional<utf8_character> decode_utf8(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = announced_length(lead);
    if (length == 0 || text.size() < length) return std::nullopt;
    if (length == 1) return utf8_character{lead, 1};
    if (!second_byte_fits(lead, static_cast<unsigned char>(text[1]))) return std::nullopt;
    constexpr unsigned char lead_bits[] = {0, 0, 0x1F, 0x0F, 0x07};
    char32_t point = lead & lead_bits[length];
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    return utf8_character{point, length};
}

std::size_t cut_character_length(std::string_view text) {
    // A character is at most 4 bytes: only the last 3 can be the start of an unfinished one.
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto lead = static_cast<unsigned char>(text[text.size() - back]);
        if ((lead & 0xC0) == 0x80) continue;  // a continuation byte: the lead is further back
        const std::size_t length = announced_length(lead);
        if (length <= back) return 0;  // complete, or no lead at all
        if (back >= 2 &&
            !second_byte_fits(lead, static_cast<unsigned char>(text[text.size() - back + 1]))) {
            return 0;
        }
        return back;
    }
    return 0;
}

std::size_t first_beyond_ascii(std::string_view text) {
    constexpr std::size_t block = 32;
    std::size_t at = 0;
    for (; at + block <= text.size(); at += block) {
        unsigned char any = 0;
        for (std::size_t i = 0; i < block; ++i) any |= static_cast<unsigned char>(text[at + i]);
        if (any & 0x80) break;
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) ++at;
    return at;
}

std::string encode_utf8(char32_t point) {
    if (point < 0x80) return std::string(1, static_cast<char>(point));
    if (point < 0x800) {
        return {static_cast<char>(0xC0 | (point >> 6)), static_cast<char>(0x80 | (point & 0x3F))};
    }
    if (point < 0x10000) {
        return {static_cast<char>(0xE0 | (point >> 12)),
                static_cast<char>(0x80 | ((point >> 6) & 0x3F)),
                static_cast<char>(0x80 | (point & 0x3F))};
    }
    return {
        static_cast<char>(0xF0 | (point >> 18)), static_cast<char>(0x80 | ((point >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((point >> 6) & 0x3F)), static_cast<char>(0x80 | (point & 0x3F))};
}

}  // namespace quillon::charset
