#include "translate/unknown_names.h"

#include <algorithm>

#include "translate/byte_classes.h"
#include "translate/symbol_names.h"
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

std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
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

std::string_view nearest_name(std::string_view unknown) {
    const std::string upper = capitals(unknown);
    std::string_view best;
    std::size_t best_distance = upper.size();
    for (const named_bytes& entry : symbol_names()) {
        const std::size_t d = edit_distance(upper, entry.name);
        if (d < best_distance) {
            best = entry.name;
            best_distance = d;
        }
    }
    // Beyond a third of the name's letters (at least two), a suggestion is a guess.
    return best_distance <= std::max<std::size_t>(2, upper.size() / 3) ? best : std::string_view{};
}

}  // namespace quillon
