// What turning one send message's text into bytes found wrong with it, and the words that say
// so: characters the display's ROM lacks (sent as ?) and unknown tag names (sent as nothing).
// A publisher chooses the text, so the words are bounded whatever it holds: each kind names at
// most named_limit, each once, then counts the rest ("and 19980 more"), in one line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "display/rom.h"

namespace quillon::bridge {

inline constexpr std::size_t named_limit = 20;

struct text_findings {
    std::vector<std::string> missing;  // "U+20AC": characters the ROM lacks, each once
    std::vector<std::string> unknown_names;
};

// One line per kind found, none when nothing was: "U+20AC is not in the A00 ROM: sent as ?",
// "U+4E00, U+4E01, ... and 19980 more are not in the A00 ROM: sent as ?",
// "unknown name FOO: sent as nothing".
std::vector<std::string> finding_lines(const text_findings& found, std::optional<display::rom> rom);

}  // namespace quillon::bridge
