// Writes every byte of a buffer through a write(2)-like call: again after an interrupted call
// and after a short write. The one loop of this kind for every program (standard output, the
// display's text, the ports file's temporary copy); the port writers bound their own waits.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace quillon::serial {

// write(from, count) returns what write(2) returns. False when a write fails, or takes nothing
// and reports nothing (which would loop for ever); bytes before the failure may be written.
template <typename Write>
bool write_all(Write&& write, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto n = write(bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace quillon::serial
