// The names of the ports a user picks: COM1 to COM8.
#pragma once

#include <string>
#include <string_view>

namespace quillon::ports {

inline constexpr int port_count = 8;

// "COM1".."COM8" in any case: the port number, else 0.
int com_port_number(std::string_view name);

// "COM<port>".
std::string port_name(int port);

}  // namespace quillon::ports
