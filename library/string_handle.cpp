#include "library/string_handle.h"

#include <limits>

namespace quillon::library {

std::string_view handle_bytes(BSTR text) noexcept {
    if (text == nullptr) return {};
    return {reinterpret_cast<const char*>(text), SysStringByteLen(text)};
}

BSTR make_handle(std::string_view bytes) noexcept {
    if (bytes.size() > std::numeric_limits<unsigned int>::max()) return nullptr;
    return SysAllocStringByteLen(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

}  // namespace quillon::library
