// Network targets: a serial device that a server on another machine offers on a TCP port, named
// tcp://HOST:PORT (raw bytes) or rfc2217://HOST:PORT (telnet with COM-PORT-OPTION, RFC 2217).
// A COM port mapping or a device name may be either; the device layer tells them from device
// paths with is_network_path and opens them through serial/network/connection.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::serial::network {

enum class scheme : std::uint8_t {
    tcp,      // raw bytes both ways; line settings stay in the handle
    rfc2217,  // telnet COM-PORT-OPTION: line settings go to the server's device
};

struct target {
    scheme kind = scheme::tcp;
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    std::uint16_t port = 0;

    friend bool operator==(const target&, const target&) = default;
};

// Whether a device path is meant as a network target at all: "SCHEME://" with a scheme as
// RFC 3986 spells one (a letter, then letters, digits, "+", "-", "."). No device path has this
// form, so a malformed target is a bad device name, never a file to look for.
bool is_network_path(std::string_view path);

// The target a path names: scheme tcp or rfc2217 (in any case), a host, ":" and a port of 1 to
// 65535 in decimal, nothing after it. An IPv6 address is written in brackets ("[::1]:2217").
// Empty when the path is malformed or names another scheme.
std::optional<target> parse_target(std::string_view path);

}  // namespace quillon::serial::network
