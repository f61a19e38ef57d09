#include "translate/tag_findings.h"

#include <algorithm>

#include "translate/byte_classes.h"
#include "translate/symbol_names.h"
#include "translate/tag_families.h"

namespace quillon {
namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return detail::to_upper(static_cast<unsigned char>(x)) ==
                      detail::to_upper(static_cast<unsigned char>(y));
           });
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

void tag_findings::unknown_name(std::string_view field) { add(field, {}); }

void tag_findings::broken_tag(std::string_view text, std::string_view name) { add(text, name); }

void tag_findings::add(std::string_view typed, std::string_view spelled) {
    for (const tag_finding& f : kept_) {
        if (f.spelled.empty() == spelled.empty() && same_ignoring_case(f.typed, typed)) return;
    }
    if (kept_.size() < kept_at_most) {
        kept_.push_back({std::string(typed), spelled});
    } else {
        ++more_;
    }
}

void tag_findings::known_name(std::string_view field) {
    if (watched_ == 0) return;
    std::string capitals(field);
    for (char& c : capitals) {
        c = static_cast<char>(detail::to_upper(static_cast<unsigned char>(c)));
    }
    const tag_family* name = find_tag_family(capitals);
    if (name == nullptr || (name->families & watched_) != 0) return;
    for (const other_family_tag& kept : other_family_) {
        if (same_ignoring_case(kept.typed, field)) return;
    }
    if (other_family_.size() < kept_at_most) {
        other_family_.push_back({std::string(field), name->families});
    } else {
        ++other_family_more_;
    }
}

std::string_view nearest_name(std::string_view unknown) {
    std::string upper(unknown);
    for (char& c : upper) c = static_cast<char>(detail::to_upper(static_cast<unsigned char>(c)));
    // A suggestion must change fewer letters than the name has, and beyond a third of them (at
    // least two) it is a guess.
    const std::size_t allowed = std::max<std::size_t>(2, upper.size() / 3);
    std::string_view best;
    std::size_t best_distance = std::min(upper.size(), allowed + 1);
    for (const named_bytes& entry : symbol_names()) {
        // The lengths alone differ by more than is allowed: no need to count (and a field of any
        // length costs no more than the longest name).
        const std::size_t apart = upper.size() > entry.name.size()
                                      ? upper.size() - entry.name.size()
                                      : entry.name.size() - upper.size();
        if (apart >= best_distance) continue;
        const std::size_t d = edit_distance(upper, entry.name);
        if (d < best_distance) {
            best = entry.name;
            best_distance = d;
        }
    }
    return best;
}

}  // namespace quillon
