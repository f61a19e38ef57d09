#include "cli/tag_reference.h"

#include "translate/symbol_names.h"
#include "translate/translate.h"

namespace quillon::cli {
namespace {

std::string byte_list(std::string_view bytes) {
    std::string text;
    for (const char b : bytes) {
        if (!text.empty()) text += ' ';
        text += std::to_string(static_cast<unsigned char>(b));
    }
    return text;
}

struct form {
    std::string_view tag;
    std::string_view what;
};

// The examples' bytes come from the translator itself, so the reference cannot drift from it.
constexpr form other_forms[] = {
    {"<13>", "a decimal byte value, taken modulo 256 (<269> is 13 too)"},
    {"<254,1>", "fields separated by commas, each any of these forms"},
    {"<A>", "a control letter, one of @ A-Z [ \\ ] ^ _ in either case: Ctrl-A"},
    {"<_5>", "an underscore number: 64 plus the number"},
    {"<\\abc>", "backslash text: the text in capitals"},
    {"<LMA_CLS>", "a name from the list above, in either case"},
};

}  // namespace

std::string tag_reference() {
    std::string text = "Names (NAME  BYTES):\n";
    for (const named_bytes& entry : symbol_names()) {
        text += std::string(entry.name) + "  " + byte_list(TRANSLATE_TAG(entry.name)) + "\n";
    }
    text += "\nOther forms (TAG  BYTES  WHAT):\n";
    for (const form& f : other_forms) {
        text += std::string(f.tag) + "  " + byte_list(TRANSLATE_TEXT(f.tag)) + "  " +
                std::string(f.what) + "\n";
    }
    text += "\nAn unknown name gives no bytes; text that forms no tag is sent as it is.\n";
    return text;
}

}  // namespace quillon::cli
