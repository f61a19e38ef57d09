// The project's version text and home address, shared by the library's version query and
// the window's caption so that the two can never disagree.
#pragma once

#include <string_view>

namespace quillon {

inline constexpr std::string_view home_address = "https://quillon.example.org/";
inline constexpr std::string_view library_version_prefix = "v1.0, 26 May 2000, ";
inline constexpr std::string_view window_caption_prefix = "Quillon v1.1b";

}  // namespace quillon
