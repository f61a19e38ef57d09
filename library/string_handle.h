// Byte strings to and from string handles, over SysAllocStringByteLen and friends (the OLE
// functions on Windows, the library's stand-ins elsewhere).
#pragma once

#include <string_view>
#include <utility>

#include "library/quillon.h"

namespace quillon::library {

// The bytes a handle holds; a null handle is the empty string.
std::string_view handle_bytes(BSTR text) noexcept;

// A new handle holding the bytes; null (the empty string) when memory runs out or the
// bytes are too many for a 32-bit count.
BSTR make_handle(std::string_view bytes) noexcept;

// A handle owned by one object and released with SysFreeString when it goes, unless given
// away first. The by-value functions take their argument over this way.
class owned_handle {
  public:
    explicit owned_handle(BSTR text = nullptr) noexcept : text_(text) {}
    ~owned_handle() { SysFreeString(text_); }
    owned_handle(const owned_handle&) = delete;
    owned_handle& operator=(const owned_handle&) = delete;

    [[nodiscard]] BSTR get() const noexcept { return text_; }
    [[nodiscard]] BSTR release() noexcept { return std::exchange(text_, nullptr); }
    // Frees the handle now, before the owner goes.
    void reset() noexcept { SysFreeString(std::exchange(text_, nullptr)); }

  private:
    BSTR text_;
};

}  // namespace quillon::library
