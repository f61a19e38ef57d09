#include <algorithm>
#include <array>

#include "translate/byte_classes.h"
#include "translate/byte_writers.h"
#include "translate/tag_findings.h"
#include "translate/translate.h"

namespace quillon {
namespace detail {

char* write_tag_bytes(std::string_view body, char* out, tag_findings* findings) {
    const char* at = body.data();
    const char* const end = at + body.size();
    for (;;) {
        // A field of digits only (or none) is a decimal byte value, reduced modulo 256.
        const char* const field = at;
        std::uint8_t value = 0;
        while (at != end && is_digit(static_cast<unsigned char>(*at))) {
            value = push_digit(value, static_cast<unsigned char>(*at++));
        }
        if (at == end || *at == ',') {
            *out++ = static_cast<char>(value);
        } else {
            while (at != end && *at != ',') ++at;
            const std::string_view symbol(field, static_cast<std::size_t>(at - field));
            // The bytes are written over the text they come from: a name to be looked at later
            // is kept first (no longer than the longest name, or it is none).
            std::array<char, 32> typed{};
            const bool keep =
                findings != nullptr && findings->watching() && symbol.size() <= typed.size();
            if (keep) std::copy(symbol.begin(), symbol.end(), typed.begin());
            char* const after = write_symbol_bytes(symbol, out);
            // Only a name gives nothing at all; the other forms ("_" number, "\" text, a control
            // letter) either give their byte or are no name a warning could suggest one for.
            if (findings != nullptr && symbol.size() > 1 && symbol[0] != '_' && symbol[0] != '\\') {
                if (after == out) {
                    findings->unknown_name(symbol);
                } else if (keep) {
                    findings->known_name({typed.data(), symbol.size()});
                }
            }
            out = after;
        }
        if (at == end) return out;
        ++at;  // the comma
    }
}

}  // namespace detail

std::string TRANSLATE_TAG(std::string_view body) {
    std::string out(body.size() + 1, '\0');
    out.resize(detail::write_tag_bytes(body, out.data()) - out.data());
    return out;
}

}  // namespace quillon
