#include "translate/translate.h"
namespace quillon {
// Temporary stand-in until the translator lands.
std::string TRANSLATE_TEXT(std::string_view text) { return std::string(text); }
std::string TRANSLATE_TAG(std::string_view) { return {}; }
std::string LOOKUP_SYMBOL(std::string_view) { return {}; }
void append_tag_bytes(std::string_view, std::string&) {}
void append_symbol_bytes(std::string_view, std::string&) {}
}  // namespace quillon
