// The registration's text, written by a display and read by every sender.
#include "ports/registration.h"

namespace quillon::ports {

std::string registration_text(long pid, std::string_view pty_path) {
    std::string text = std::to_string(pid);
    text.push_back(' ');
    text.append(pty_path).push_back('\n');
    return text;
}

std::optional<std::string> registered_path(std::string_view text) {
    if (!text.ends_with('\n')) return std::nullopt;
    text.remove_suffix(1);
    const auto space = text.find(' ');
    if (space == std::string_view::npos || space == 0 || text[0] == '0') return std::nullopt;
    for (const char digit : text.substr(0, space)) {
        if (digit < '0' || digit > '9') return std::nullopt;
    }
    const std::string_view path = text.substr(space + 1);
    if (!path.starts_with('/')) return std::nullopt;
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    }
    return std::string(path);
}

}  // namespace quillon::ports
