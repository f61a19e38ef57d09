#include "serial/network/target.h"

#include <charconv>

namespace quillon::serial::network {
namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The scheme's length when the path starts with "SCHEME://", otherwise 0.
std::size_t scheme_length(std::string_view path) {
    if (path.empty() || !is_letter(path[0])) return 0;
    std::size_t n = 1;
    while (n < path.size() && (is_letter(path[n]) || is_digit(path[n]) || path[n] == '+' ||
                               path[n] == '-' || path[n] == '.')) {
        ++n;
    }
    return path.substr(n, 3) == "://" ? n : 0;
}

// Schemes are case-insensitive (RFC 3986, section 3.1).
bool same_scheme(std::string_view given, std::string_view name) {
    if (given.size() != name.size()) return false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if ((given[i] | 0x20) != name[i]) return false;
    }
    return true;
}

// A host name or IPv4 address: no room for a user, a path, a port or blanks in it.
bool plain_host(std::string_view host) {
    if (host.empty()) return false;
    for (char c : host) {
        if (!is_letter(c) && !is_digit(c) && c != '-' && c != '.' && c != '_') return false;
    }
    return true;
}

// An IPv6 address between the brackets, with an optional zone ("fe80::1%eth0").
bool ipv6_host(std::string_view host) {
    if (host.find(':') == std::string_view::npos) return false;
    for (char c : host) {
        const bool hex = is_digit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
        if (!hex && c != ':' && c != '.' && c != '%' && !is_letter(c)) return false;
    }
    return true;
}

}  // namespace

bool is_network_path(std::string_view path) { return scheme_length(path) != 0; }

std::optional<target> parse_target(std::string_view path) {
    const std::size_t length = scheme_length(path);
    if (length == 0) return std::nullopt;
    target t;
    const std::string_view name = path.substr(0, length);
    if (same_scheme(name, "tcp")) {
        t.kind = scheme::tcp;
    } else if (same_scheme(name, "rfc2217")) {
        t.kind = scheme::rfc2217;
    } else {
        return std::nullopt;
    }

    std::string_view rest = path.substr(length + 3);
    std::string_view host;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = rest.substr(1, close - 1);
        if (!ipv6_host(host)) return std::nullopt;
        rest = rest.substr(close + 1);
        if (rest.empty() || rest[0] != ':') return std::nullopt;
        rest = rest.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        host = rest.substr(0, colon);
        if (!plain_host(host)) return std::nullopt;
        rest = rest.substr(colon + 1);
    }

    // Decimal digits only: no sign, no blank, nothing after the port.
    if (rest.empty() || rest.size() > 5) return std::nullopt;
    for (char c : rest) {
        if (!is_digit(c)) return std::nullopt;
    }
    unsigned int port = 0;
    std::from_chars(rest.data(), rest.data() + rest.size(), port);
    if (port < 1 || port > 65535) return std::nullopt;
    t.host = std::string(host);
    t.port = static_cast<std::uint16_t>(port);
    return t;
}

}  // namespace quillon::serial::network
