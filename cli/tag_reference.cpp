#include "cli/tag_reference.h"

#include <vector>

#include "display/profile.h"
#include "translate/symbol_names.h"
#include "translate/tag_families.h"
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

// A list in words: "a, b and c".
std::string and_list(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

// "family A (text, text-vfd) and family B (graphic, graphic-layers)"; "every module".
std::string families_in_words(std::uint8_t families) {
    constexpr struct {
        std::uint8_t bit;
        display::family id;
        char letter;
    } all[] = {{family_a, display::family::a, 'A'},
               {family_b, display::family::b, 'B'},
               {family_c, display::family::c, 'C'}};
    std::vector<std::string> named;
    for (const auto& f : all) {
        if ((families & f.bit) == 0) continue;
        std::vector<std::string> profiles;
        for (const display::profile_facts& p : display::all_profiles()) {
            if (p.bytes == f.id) profiles.emplace_back(p.name);
        }
        std::string text = std::string("family ") + f.letter + " (";
        for (std::size_t i = 0; i < profiles.size(); ++i) text += (i > 0 ? ", " : "") + profiles[i];
        named.push_back(text + ")");
    }
    return named.size() == std::size(all) ? "every module" : and_list(named);
}

struct group_words {
    tag_group group;
    std::string_view what;
    std::string_view note;  // after the group's names
};

constexpr group_words groups[] = {
    {tag_group::control_codes, "the ASCII control codes", ""},
    {tag_group::one_byte_commands, "the one-byte display commands", ""},
    {tag_group::escape_sequences, "the escape sequences",
     "ZAP_GRAPHICS_SETTINGS and ZAP_BOTH_SETTINGS send ESC Y, the bytes of LAYERS_GRAPHICS_OFF\n"
     "and LAYERS_BOTH_OFF, so a graphic module hides layers for them, as real ones do.\n"},
    {tag_group::lead_in_254, "the controller instructions after byte 254", ""},
};

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

// One group: its heading (the families every name of it is for), its names with their bytes,
// the names that more families take, and its note.
std::string group_reference(const group_words& g) {
    std::vector<const tag_family*> names;
    std::uint8_t common = family_a | family_b | family_c;
    for (const tag_family& f : tag_families()) {
        if (f.group != g.group) continue;
        names.push_back(&f);
        common &= f.families;
    }
    std::string heading = std::string(g.what) + ", for " + families_in_words(common) + ":";
    heading[0] = static_cast<char>(heading[0] - 'a' + 'A');
    // On two lines where one would not fit a terminal of 80 columns.
    if (heading.size() >= 80) heading[g.what.size() + 1] = '\n';
    std::string text = "\n" + heading + "\n";
    std::vector<std::string> more;
    std::uint8_t extra = 0;
    for (const tag_family* f : names) {
        text += std::string(f->name) + "  " + byte_list(TRANSLATE_TAG(f->name)) + "\n";
        if (f->families == common) continue;
        more.emplace_back(f->name);
        extra |= f->families & ~common;
    }
    if (!more.empty()) text += and_list(more) + " are for " + families_in_words(extra) + " too.\n";
    return text + std::string(g.note);
}

}  // namespace

std::string tag_reference() {
    std::string text =
        "Names (NAME  BYTES), grouped by the modules they are for (quillon-send --module):\n";
    for (const group_words& g : groups) text += group_reference(g);
    text += "\nOther forms (TAG  BYTES  WHAT):\n";
    for (const form& f : other_forms) {
        text += std::string(f.tag) + "  " + byte_list(TRANSLATE_TEXT(f.tag)) + "  " +
                std::string(f.what) + "\n";
    }
    text += "\nAn unknown name gives no bytes; text that forms no tag is sent as it is.\n";
    return text;
}

}  // namespace quillon::cli
