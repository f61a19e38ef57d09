#include "cli/family_check.h"

#include <algorithm>

#include "translate/byte_classes.h"
#include "translate/tag_families.h"

namespace quillon::cli {
namespace {

// The longest name of the table is shorter: a longer run after "<" is no name of it.
constexpr std::size_t longest_held = 64;

std::uint8_t family_bit(display::family f) {
    switch (f) {
        case display::family::a:
            return family_a;
        case display::family::b:
            return family_b;
        case display::family::c:
            return family_c;
    }
    return 0;
}

// "hd44780", "text and text-vfd", "text, text-vfd, graphic and graphic-layers".
std::string modules_of(std::uint8_t families) {
    std::vector<std::string_view> names;
    for (const display::profile_facts& f : display::all_profiles()) {
        if ((families & family_bit(f.bytes)) != 0) names.push_back(f.name);
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace

void family_check::look(std::string_view piece) {
    for (const char c : piece) {
        if (c == '<') {
            held_.assign(1, '<');
        } else if (held_.empty()) {
            continue;
        } else if (c == '>') {
            check_body(std::string_view(held_).substr(1));
            held_.clear();
        } else if (detail::is_body_byte(static_cast<unsigned char>(c)) &&
                   held_.size() < longest_held) {
            held_ += c;
        } else {
            held_.clear();
        }
    }
}

void family_check::check_body(std::string_view body) {
    const std::uint8_t own = family_bit(display::facts(module_).bytes);
    while (!body.empty()) {
        const std::size_t comma = body.find(',');
        const std::string_view field = body.substr(0, comma);
        std::string upper(field);
        for (char& c : upper)
            c = static_cast<char>(detail::to_upper(static_cast<unsigned char>(c)));
        const tag_family* name = find_tag_family(upper);
        if (name != nullptr && (name->families & own) == 0 &&
            std::find(seen_.begin(), seen_.end(), upper) == seen_.end()) {
            seen_.push_back(upper);
            names_.emplace_back(field);
        }
        if (comma == std::string_view::npos) break;
        body.remove_prefix(comma + 1);
    }
}

std::vector<std::string> family_check::warnings() const {
    std::vector<std::string> told;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        told.push_back("tag <" + names_[i] + "> is for " +
                       modules_of(find_tag_family(seen_[i])->families) + " modules, not " +
                       std::string(display::facts(module_).name));
    }
    return told;
}

}  // namespace quillon::cli
