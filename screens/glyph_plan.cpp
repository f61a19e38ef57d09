#include "screens/glyph_plan.h"

#include <algorithm>

#include "display/big_characters.h"
#include "screens/shapes.h"

namespace quillon::screens {

int glyph_needs::fixed() const {
    if (module_big) return 8 + static_cast<int>(named.size());
    return (big2 ? big2_piece_count : 0) + static_cast<int>(named.size());
}

void glyph_needs::add_named(const std::vector<std::string>& names) {
    for (const std::string& n : names) {
        if (std::find(named.begin(), named.end(), n) == named.end()) named.push_back(n);
    }
}

glyph_plan plan_glyphs(const glyph_needs& needs, const display_kind& kind,
                       const glyph_library& library) {
    glyph_plan plan;
    if (!has_user_characters(kind.profile)) return plan;
    if (needs.module_big) {
        const auto& segments = display::segment_glyphs();
        std::copy(segments.begin(), segments.end(), plan.slots.begin());
    } else if (needs.big2) {
        plan.big2_first = 0;
        const auto& pieces = big2_pieces();
        std::copy(pieces.begin(), pieces.end(), plan.slots.begin());
    } else if (needs.bar && needs.fixed() + bar_glyph_count <= 8) {
        plan.bar_first = 8 - bar_glyph_count;
        for (int n = 0; n < bar_glyph_count; ++n) {
            plan.slots[static_cast<std::size_t>(plan.bar_first + n)] = bar_glyph(n + 1);
        }
    }
    for (const std::string& name : needs.named) add_glyph(plan, name, kind, library);
    return plan;
}

void add_glyph(glyph_plan& plan, const std::string& name, const display_kind& kind,
               const glyph_library& library) {
    const auto dots = library.find(name);
    if (plan.named.contains(name) || dots == library.end()) return;
    const auto free = std::find(plan.slots.begin(), plan.slots.end(), std::nullopt);
    if (free == plan.slots.end()) return;
    *free = dots->second;
    plan.named[name] = user_code(kind.profile, static_cast<int>(free - plan.slots.begin()));
}

std::uint8_t block_code(const display_kind& kind) {
    return has_user_characters(kind.profile) && kind.rom == display::rom::a00 ? 0xFF : '#';
}

}  // namespace quillon::screens
