#include "options/standard/display_options.h"

#include <algorithm>
#include <vector>

#include "options/words.h"

namespace quillon::options {
namespace {

// The ROMs by the names display::parse_rom takes, with what sets each apart, for the help.
struct rom_words {
    std::string_view name;
    std::string_view holds;
};
constexpr rom_words roms[] = {
    {"a00", "ASCII, katakana, Greek and symbols"},
    {"a02", "Western European"},
};

std::vector<std::string_view> rom_names() {
    std::vector<std::string_view> names;
    for (const rom_words& r : roms) names.push_back(r.name);
    return names;
}

// "a00 (ASCII, katakana, Greek and symbols) or a02 (Western European)".
std::string described_roms() {
    std::vector<std::string> described;
    for (const rom_words& r : roms) {
        described.push_back(std::string(r.name) + " (" + std::string(r.holds) + ")");
    }
    return choice_words(described);
}

std::string_view name_of(display::rom character_rom) {
    const auto it = std::find_if(std::begin(roms), std::end(roms), [&](const rom_words& r) {
        return display::parse_rom(r.name) == character_rom;
    });
    return it == std::end(roms) ? std::string_view{} : it->name;
}

std::string with_more(std::string help, std::string_view more) {
    if (!more.empty()) help += "; " + std::string(more);
    return help;
}

}  // namespace

std::string charset_choices() {
    std::vector<std::string_view> names{"raw"};
    for (const std::string_view name : rom_names()) names.push_back(name);
    return choice_words(names);
}

bool take_charset(std::string_view text, std::optional<display::rom>& charset) {
    if (text == "raw") {
        charset.reset();
        return true;
    }
    const auto character_rom = display::parse_rom(text);
    if (character_rom) charset = character_rom;
    return character_rom.has_value();
}

option charset_option(std::optional<display::rom>& charset, std::string_view more) {
    return {.name = "charset",
            .value = "NAME",
            .help = with_more(
                "raw (default: bytes as typed) or the module's ROM, " + described_roms(), more),
            .take = [&charset](const std::string* value) -> std::string {
                if (take_charset(*value, charset)) return {};
                return give_instead(charset_choices(), *value);
            }};
}

option rom_option(display::rom& character_rom, std::string_view more) {
    return {.name = "rom",
            .value = "NAME",
            .help = with_more("the character ROM: " + described_roms() + " (default " +
                                  std::string(name_of(character_rom)) + ")",
                              more),
            .take = [&character_rom](const std::string* value) -> std::string {
                const auto chosen = display::parse_rom(*value);
                if (!chosen) return give_instead(choice_words(rom_names()), *value);
                character_rom = *chosen;
                return {};
            }};
}

option module_option(display::profile& module) {
    return {.name = "module",
            .value = "NAME",
            .help = "the kind of module: " + display::profile_choices() + " (default " +
                    std::string(display::facts(module).name) + ")",
            .take = [&module](const std::string* value) -> std::string {
                const auto chosen = display::parse_profile(*value);
                if (!chosen) return give_instead(display::profile_choices(), *value);
                module = *chosen;
                return {};
            }};
}

}  // namespace quillon::options
