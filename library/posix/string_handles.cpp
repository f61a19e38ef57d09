// String handles where there is no OLE: the same memory layout, so callers written for it
// work unchanged. A 32-bit byte count, the bytes, then two zero bytes (the OLE layout ends in
// a wide terminator); the handle points at the first byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "library/quillon.h"

namespace {

constexpr std::size_t prefix = sizeof(std::uint32_t);
constexpr std::size_t terminator = 2;

char* block_of(BSTR text) { return text - prefix; }

}  // namespace

extern "C" {

BSTR SysAllocStringByteLen(const char* bytes, unsigned int len) {
    // Only where size_t is no wider than the 32-bit count can the block size overflow.
    constexpr std::size_t largest = std::numeric_limits<std::size_t>::max() - prefix - terminator;
    if (std::size_t{len} > largest) return nullptr;
    auto* block = static_cast<char*>(std::malloc(prefix + len + terminator));
    if (block == nullptr) return nullptr;
    const std::uint32_t count = len;
    std::memcpy(block, &count, prefix);
    char* text = block + prefix;
    if (bytes != nullptr) {
        std::memcpy(text, bytes, len);
    } else {
        std::memset(text, 0, len);
    }
    std::memset(text + len, 0, terminator);
    return text;
}

unsigned int SysStringByteLen(BSTR text) {
    if (text == nullptr) return 0;
    std::uint32_t count = 0;
    std::memcpy(&count, block_of(text), prefix);
    return count;
}

void SysFreeString(BSTR text) {
    if (text != nullptr) std::free(block_of(text));
}

}  // extern "C"
