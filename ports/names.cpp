#include "ports/names.h"

namespace quillon::ports {

int com_port_number(std::string_view name) {
    if (name.size() != 4) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return 0;
    }
    return name[3] >= '1' && name[3] <= '0' + port_count ? name[3] - '0' : 0;
}

std::string port_name(int port) { return "COM" + std::to_string(port); }

}  // namespace quillon::ports
