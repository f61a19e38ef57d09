// Bytes as a sender puts them on the line, for the display's tests.
#pragma once

#include <string>

namespace quillon::display {

// Byte 254 and an instruction for the controller.
inline std::string I(unsigned command) { return std::string{'\xFE', static_cast<char>(command)}; }

// A blank row of each width, for tables of what the glass shows.
inline const std::string blank16 = "                ";
inline const std::string blank20 = "                    ";

}  // namespace quillon::display
