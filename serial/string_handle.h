// Byte strings to and from string handles, over SysAllocStringByteLen and friends (the OLE
// functions on Windows, the library's stand-ins elsewhere).
#pragma once

#include <string_view>

#include "serial/quillon.h"

namespace quillon::serial {

// The bytes a handle holds; a null handle is the empty string.
std::string_view handle_bytes(BSTR text) noexcept;

// A new handle holding the bytes; null (the empty string) when memory runs out or the
// bytes are too many for a 32-bit count.
BSTR make_handle(std::string_view bytes) noexcept;

}  // namespace quillon::serial
