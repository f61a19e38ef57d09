#include "cli/family_check.h"

#include "translate/tag_families.h"

namespace quillon::cli {
namespace {

std::uint8_t bit_of(display::family f) {
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
        if ((families & bit_of(f.bytes)) != 0) names.push_back(f.name);
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace

std::uint8_t family_bit(display::profile module) { return bit_of(display::facts(module).bytes); }

std::vector<std::string> family_warnings(const tag_findings& found, display::profile module) {
    const std::string own(display::facts(module).name);
    std::vector<std::string> told;
    for (const other_family_tag& tag : found.other_family()) {
        told.push_back("tag <" + tag.typed + "> is for " + modules_of(tag.families) +
                       " modules, not " + own);
    }
    if (const std::size_t more = found.other_family_more(); more != 0) {
        told.push_back("and " + std::to_string(more) + " more " + (more == 1 ? "tag" : "tags") +
                       " for other modules than " + own);
    }
    return told;
}

}  // namespace quillon::cli
