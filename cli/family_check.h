// With --module, the tag names typed for another family of module than the one named: each
// told once, as "tag <LMA_LINE2> is for hd44780 modules, not text". The names are found in the
// text as typed, beside the translation (the way the check for unknown names finds them); the
// bytes stay as the tag language gives them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "display/profile.h"

namespace quillon::cli {

class family_check {
  public:
    explicit family_check(display::profile module) : module_(module) {}

    // Looks at the next piece of the text; a tag cut by the end of a piece is looked at when
    // the rest of it arrives.
    void look(std::string_view piece);

    // One warning per name of another family, in the order the names first appeared.
    std::vector<std::string> warnings() const;

  private:
    void check_body(std::string_view body);

    display::profile module_;
    std::string held_;                // "<" and the body bytes after it, while a tag is open
    std::vector<std::string> names_;  // as first typed
    std::vector<std::string> seen_;   // the same in capitals
};

}  // namespace quillon::cli
