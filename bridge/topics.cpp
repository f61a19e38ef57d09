#include "bridge/topics.h"

#include <nlohmann/json.hpp>

namespace quillon::bridge {
namespace {

std::string display_topic(const settings& s, const std::string& display, const char* last) {
    return s.prefix + "/" + display + "/" + last;
}

// Home Assistant's entity ids take lower-case letters, digits and "_".
std::string slug(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c - 'A' + 'a');
        } else {
            out += keep ? c : '_';
        }
    }
    return out;
}

// An entity of the display: what every one of them shares.
struct entity {
    const char* component;  // notify, text, switch, sensor, select
    const char* suffix;     // of the name, unique id and entity id; empty for the notify entity
};
constexpr entity entities[] = {{"notify", ""},
                               {"text", "alert"},
                               {"switch", "backlight"},
                               {"sensor", "state"},
                               {"select", "screen"}};

std::string discovery_topic(const settings& s, const entity& e, const std::string& display) {
    const std::string object = *e.suffix ? display + "_" + e.suffix : display;
    return s.discovery_prefix + "/" + e.component + "/" + s.client_id + "/" + object + "/config";
}

nlohmann::json common(const settings& s, const entity& e, const std::string& display) {
    const std::string id =
        *e.suffix ? s.client_id + "_" + display + "_" + e.suffix : s.client_id + "_" + display;
    // qos 1: Home Assistant then publishes at QoS 1, which the broker queues while the bridge
    // is away; a QoS 0 message for an absent client is dropped.
    return {
        {"name", *e.suffix ? display + " " + e.suffix : display},
        {"unique_id", id},
        // What Home Assistant makes of the device's name and the entity's by itself, so that an
        // entity discovered before the bridge asked keeps its id.
        {"default_entity_id", std::string(e.component) + "." + slug("quillon_bridge_" + id)},
        {"qos", 1},
        {"availability",
         {{{"topic", status_topic(s)}}, {{"topic", availability_topic(s, display)}}}},
        {"availability_mode", "all"},
        {"payload_available", "online"},
        {"payload_not_available", "offline"},
        {"device",
         {{"identifiers", {s.client_id}},
          {"name", "Quillon bridge " + s.client_id},
          {"manufacturer", "Quillon"},
          {"model", "quillon-bridge"},
          {"sw_version", QUILLON_PACKAGE_VERSION}}},
    };
}

}  // namespace

std::string send_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "send");
}
std::string raw_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "raw");
}
std::string alert_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "alert");
}
std::string screen_set_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "screen/set");
}
std::string line_topic_start(const settings& s, const std::string& display) {
    return display_topic(s, display, "line/");
}
std::string backlight_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "backlight");
}
std::string state_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "state");
}
std::string error_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "error");
}
std::string availability_topic(const settings& s, const std::string& display) {
    return display_topic(s, display, "availability");
}
std::string status_topic(const settings& s) {
    return s.prefix + "/bridge/" + s.client_id + "/status";
}

std::string bridge_error_topic(const settings& s) {
    return s.prefix + "/bridge/" + s.client_id + "/error";
}

std::vector<discovery_document> discovery_documents(const settings& s, const display_setting& d) {
    std::vector<discovery_document> out;
    for (const entity& e : entities) {
        const std::string component = e.component;
        const std::string topic = discovery_topic(s, e, d.name);
        if (!s.discovery || (component == "select" && d.screen_names.empty())) {
            out.push_back({topic, ""});
            continue;
        }
        nlohmann::json config = common(s, e, d.name);
        const std::string state = state_topic(s, d.name);
        if (component == "notify") {
            config["command_topic"] = send_topic(s, d.name);
            config["retain"] = false;
        } else if (component == "text") {
            config["command_topic"] = alert_topic(s, d.name);
            config["max"] = 255;
        } else if (component == "switch") {
            config["command_topic"] = backlight_topic(s, d.name);
            config["state_topic"] = state;
            config["value_template"] = "{{ 'ON' if value_json.backlight else 'OFF' }}";
        } else if (component == "sensor") {
            config["state_topic"] = state;
            config["value_template"] = "{{ value_json.showing }}";
            config["json_attributes_topic"] = state;
        } else {
            config["command_topic"] = screen_set_topic(s, d.name);
            config["state_topic"] = state;
            config["value_template"] = "{{ value_json.screen }}";
            config["options"] = d.screen_names;
        }
        out.push_back({topic, config.dump()});
    }
    return out;
}

std::vector<discovery_document> retired_documents(const settings& s, const std::string& display) {
    std::vector<discovery_document> out;
    for (const entity& e : entities) out.push_back({discovery_topic(s, e, display), ""});
    return out;
}

}  // namespace quillon::bridge
