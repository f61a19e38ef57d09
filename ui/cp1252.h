// Windows code page 1252, the ANSI code page the window's text is read and written in.
#pragma once

#include <string>
#include <string_view>

namespace quillon::ui {

// Each byte to its Unicode character. 0x80-0x9F follow the code page's table; its five unused
// positions (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number,
// as the platform's conversion does.
std::u32string decode_cp1252(std::string_view bytes);

// Each character to its byte; a character the code page cannot hold becomes "?".
std::string encode_cp1252(std::u32string_view text);

}  // namespace quillon::ui
