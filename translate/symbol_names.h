// The 116 names of the symbol table with their bytes, for the tools around the translator: the
// tag reference (quillon-send --tags) and the nearest name to an unknown one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

struct named_bytes {
    std::string_view name;  // in capitals
    std::uint8_t length;
    std::array<std::uint8_t, 4> bytes;
};

// In the table's order: the ASCII control codes, the one-byte display commands, the escape
// sequences, the two display-module families.
std::span<const named_bytes> symbol_names();

}  // namespace quillon
