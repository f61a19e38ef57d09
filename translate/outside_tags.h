// The typed text between the tags, for a check beside the translation (a program that warns
// about characters the module shows otherwise looks only at what is not a tag: "<\abc>" is a tag
// and its backslash no character of the text).
#pragma once

#include <string_view>

namespace quillon {

// Whether any of the bytes stands in the text outside its tags, the tags found as typed (bytes a
// tag produces are not looked at).
bool outside_tags_holds_any(std::string_view text, std::string_view bytes);

}  // namespace quillon
