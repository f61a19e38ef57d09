// The library's version text and the project's home address. The window's caption ends with the
// same address, taken from here so that the two can never disagree.
#pragma once

#include <string_view>

namespace quillon {

inline constexpr std::string_view home_address = "https://quillon.example.org/";
inline constexpr std::string_view library_version_prefix = "v1.0, 26 May 2000, ";

}  // namespace quillon
