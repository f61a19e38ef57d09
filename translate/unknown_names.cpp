#include "translate/unknown_names.h"

#include <algorithm>

#include "translate/byte_classes.h"
#include "translate/translate.h"

namespace quillon {
namespace {

// A run this long after "<" is no tag a person typed by hand; it is dropped rather than held
// for ever.
constexpr std::size_t longest_held = 4096;

std::string capitals(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(detail::to_upper(static_cast<unsigned char>(c)));
    return upper;
}

bool is_name_field(std::string_view field) {
    if (field.empty()) return false;
    if (std::all_of(field.begin(), field.end(),
                    [](char c) { return detail::is_digit(static_cast<unsigned char>(c)); })) {
        return false;
    }
    if (field.size() == 1) return false;  // a control letter, or a digit
    return field.front() != '_' && field.front() != '\\';
}

}  // namespace

void unknown_name_finder::look(std::string_view piece) {
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '<') {
            held_.assign(1, '<');
        } else if (held_.empty()) {
            continue;
        } else if (c == '>' && held_.size() > 1) {
            check_body(std::string_view(held_).substr(1));
            held_.clear();
        } else if (detail::is_body_byte(byte) && held_.size() < longest_held) {
            held_ += c;
        } else {
            held_.clear();
        }
    }
}

void unknown_name_finder::check_body(std::string_view body) {
    while (!body.empty()) {
        const std::size_t comma = body.find(',');
        const std::string_view field = body.substr(0, comma);
        if (is_name_field(field) && LOOKUP_SYMBOL(field).empty()) {
            const std::string upper = capitals(field);
            const bool seen = std::any_of(names_.begin(), names_.end(), [&](const std::string& n) {
                return capitals(n) == upper;
            });
            if (!seen) names_.emplace_back(field);
        }
        if (comma == std::string_view::npos) break;
        body.remove_prefix(comma + 1);
    }
}

}  // namespace quillon
