// Unknown names in typed text, for a warning beside the translation. The translator itself stays
// a pure function that never looks: a program that warns runs this scan over the same text.
//
// Only the tags as typed are looked at; bytes a tag produces that form a new tag ("<60>X>") are
// not. A field is a name when it is none of the other forms (digits, one control letter,
// "_" number, "\" text); an unknown one gives no bytes, as the tag language says.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "translate/tag_findings.h"

namespace quillon {

class unknown_name_finder {
  public:
    // Looks at the next piece of the text; a tag cut by the end of a piece is looked at when
    // the rest of it arrives.
    void look(std::string_view piece);

    // The unknown names found so far, as typed, each once (matched without regard to case), in
    // the order they first appeared.
    const std::vector<std::string>& names() const { return names_; }

  private:
    void check_body(std::string_view body);

    std::string held_;  // "<" and the body bytes after it, up to the end of the last piece
    std::vector<std::string> names_;
};

}  // namespace quillon
