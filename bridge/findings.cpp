#include "bridge/findings.h"

#include <algorithm>

namespace quillon::bridge {
namespace {

// "A, B and C", naming at most named_limit and counting the rest.
std::string named(const std::vector<std::string>& all) {
    const std::size_t shown = std::min(all.size(), named_limit);
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) text += i + 1 == shown && shown == all.size() ? " and " : ", ";
        text += all[i];
    }
    if (shown < all.size()) text += " and " + std::to_string(all.size() - shown) + " more";
    return text;
}

}  // namespace

std::vector<std::string> finding_lines(const text_findings& found,
                                       std::optional<display::rom> rom) {
    std::vector<std::string> lines;
    if (!found.missing.empty()) {
        const char* verb = found.missing.size() == 1 ? " is" : " are";
        lines.push_back(named(found.missing) + verb + " not in the " +
                        (rom == display::rom::a02 ? "A02" : "A00") + " ROM: sent as ?");
    }
    if (!found.unknown_names.empty()) {
        lines.push_back(
            std::string(found.unknown_names.size() == 1 ? "unknown name " : "unknown names ") +
            named(found.unknown_names) + ": sent as nothing");
    }
    return lines;
}

}  // namespace quillon::bridge
