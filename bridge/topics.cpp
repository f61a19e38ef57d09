#include "bridge/topics.h"

#include <cstdio>

namespace quillon::bridge {
namespace {

// A JSON string: the prefix and client id may hold any character but the wildcards.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string send_topic(const settings& s, const std::string& display) {
    return s.prefix + "/" + display + "/send";
}
std::string raw_topic(const settings& s, const std::string& display) {
    return s.prefix + "/" + display + "/raw";
}
std::string error_topic(const settings& s, const std::string& display) {
    return s.prefix + "/" + display + "/error";
}
std::string availability_topic(const settings& s, const std::string& display) {
    return s.prefix + "/" + display + "/availability";
}
std::string status_topic(const settings& s) {
    return s.prefix + "/bridge/" + s.client_id + "/status";
}
std::string discovery_topic(const settings& s, const std::string& display) {
    return s.discovery_prefix + "/notify/" + s.client_id + "/" + display + "/config";
}

std::string discovery_config(const settings& s, const std::string& display) {
    // qos 1: Home Assistant then publishes at QoS 1, which the broker queues while the bridge
    // is away; a QoS 0 message for an absent client is dropped.
    return "{\"name\":" + quoted(display) +
           ",\"unique_id\":" + quoted(s.client_id + "_" + display) +
           ",\"command_topic\":" + quoted(send_topic(s, display)) +
           ",\"qos\":1,\"retain\":false,\"availability\":[{\"topic\":" + quoted(status_topic(s)) +
           "},{\"topic\":" + quoted(availability_topic(s, display)) +
           "}],\"availability_mode\":\"all\",\"payload_available\":\"online\","
           "\"payload_not_available\":\"offline\"" +
           ",\"device\":{\"identifiers\":[" + quoted(s.client_id) +
           "],\"name\":" + quoted("Quillon bridge " + s.client_id) +
           ",\"manufacturer\":\"Quillon\",\"model\":\"quillon-bridge\",\"sw_version\":" +
           quoted(QUILLON_PACKAGE_VERSION) + "}}";
}

}  // namespace quillon::bridge
