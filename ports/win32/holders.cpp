// Windows keeps no table of who holds a COM port that a program may read: the holder stays
// "another program".
#include "ports/platform.h"

namespace quillon::ports::platform {

std::optional<lock_holder> lock_holder_of(const std::string&) { return std::nullopt; }

}  // namespace quillon::ports::platform
