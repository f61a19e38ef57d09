#include "translate/byte_classes.h"
#include "translate/translate.h"

namespace quillon {
namespace {

bool is_numeric_field(std::string_view field) {
    for (char c : field) {
        if (!detail::is_digit(static_cast<unsigned char>(c))) return false;
    }
    return true;  // the empty field too: it stands for 0
}

void append_field_bytes(std::string_view field, std::string& out) {
    if (is_numeric_field(field)) {
        std::uint8_t value = 0;
        for (char c : field) value = detail::push_digit(value, static_cast<unsigned char>(c));
        out.push_back(static_cast<char>(value));
    } else {
        append_symbol_bytes(field, out);
    }
}

}  // namespace

void append_tag_bytes(std::string_view body, std::string& out) {
    for (;;) {
        const auto comma = body.find(',');
        append_field_bytes(body.substr(0, comma), out);
        if (comma == std::string_view::npos) return;
        body.remove_prefix(comma + 1);
    }
}

std::string TRANSLATE_TAG(std::string_view body) {
    std::string out;
    append_tag_bytes(body, out);
    return out;
}

}  // namespace quillon
