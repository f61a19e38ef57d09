// What the translation noticed about the tags it met, for a warning beside the bytes; the bytes
// themselves are never changed by it. The scanner tells it as it goes (translate_in_place.h), so
// looking costs no pass of its own:
// - an unknown name: a field of a tag that is no name of the table and none of the other forms
//   (digits, a control letter, "_" number, "\" text); it gives no bytes, as the tag language says;
// - a broken tag: "<", then a name's letters with "-" or blanks among them, then ">"
//   ("<LMA-LINE3>", "<LMA_LINE 4>", "<clear screen>"): no tag, so it goes out as text.
// Every tag the translation meets is looked at, one that earlier bytes formed too ("<60>FOO>"
// gives nothing, and says so).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A known name meant for other modules than the one the text is for (see watch_families).
struct other_family_tag {
    std::string typed;      // as typed
    std::uint8_t families;  // whose modules take it (translate/tag_families.h)
};

struct tag_finding {
    std::string typed;         // an unknown name as typed, or a broken tag's text inside <>
    std::string_view spelled;  // a broken tag: the name it spells; empty for an unknown name
    bool broken() const { return !spelled.empty(); }
};

class tag_findings {
  public:
    static constexpr std::size_t kept_at_most = 20;

    void unknown_name(std::string_view field);
    void broken_tag(std::string_view text, std::string_view name);

    // The text is for modules of this family (a bit of translate/tag_families.h): each known name
    // of the table that no module of the family takes is kept too. 0, the default: not looked for.
    void watch_families(std::uint8_t family) { watched_ = family; }
    bool watching() const { return watched_ != 0; }
    // A field the table knows as a name, as the scan met it; kept when watching and it is
    // another family's.
    void known_name(std::string_view field);
    // The first 20 distinct names of another family, in the order they came, and how many tags
    // with such a name came after those.
    const std::vector<other_family_tag>& other_family() const { return other_family_; }
    std::size_t other_family_more() const { return other_family_more_; }

    // The first 20 distinct findings (the same text twice is one, whatever its case), in the
    // order they came; each new finding is compared with these 20 at most, so the cost stays
    // proportional to the text.
    const std::vector<tag_finding>& kept() const { return kept_; }
    // Each tag met after those with a finding not among them.
    std::size_t more() const { return more_; }
    bool empty() const { return kept_.empty() && other_family_.empty(); }

  private:
    void add(std::string_view typed, std::string_view spelled);

    std::vector<tag_finding> kept_;
    std::size_t more_ = 0;
    std::uint8_t watched_ = 0;
    std::vector<other_family_tag> other_family_;
    std::size_t other_family_more_ = 0;
};

// The known name nearest to an unknown one (fewest letters added, removed or changed, ignoring
// case; the first in table order on a tie), or empty when none is near enough to suggest.
std::string_view nearest_name(std::string_view unknown);

}  // namespace quillon
