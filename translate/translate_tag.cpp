#include "translate/byte_classes.h"
#include "translate/byte_writers.h"
#include "translate/translate.h"

namespace quillon {
namespace detail {

char* write_tag_bytes(std::string_view body, char* out) {
    for (;;) {
        const auto comma = body.find(',');
        const std::string_view field = body.substr(0, comma);

        // A field of digits only (or none) is a decimal byte value, reduced modulo 256.
        std::uint8_t value = 0;
        std::size_t digits = 0;
        while (digits < field.size() && is_digit(static_cast<unsigned char>(field[digits]))) {
            value = push_digit(value, static_cast<unsigned char>(field[digits++]));
        }
        if (digits == field.size()) {
            *out++ = static_cast<char>(value);
        } else {
            out = write_symbol_bytes(field, out);
        }

        if (comma == std::string_view::npos) return out;
        body.remove_prefix(comma + 1);
    }
}

}  // namespace detail

std::string TRANSLATE_TAG(std::string_view body) {
    std::string out(body.size() + 1, '\0');
    out.resize(detail::write_tag_bytes(body, out.data()) - out.data());
    return out;
}

}  // namespace quillon
