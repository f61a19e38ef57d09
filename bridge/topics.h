// The bridge's topics and the Home Assistant discovery documents: names and text only, no
// connection.
//   P/NAME/send, P/NAME/raw     what the display is sent (subscribed with QoS 1)
//   P/NAME/alert                text or JSON shown over the screens for a time to live
//   P/NAME/screen/set           a screen to show by name
//   P/NAME/line/N               text for row N of the current screen
//   P/NAME/backlight            ON / OFF
//   P/NAME/state                what the display shows, as JSON (retained)
//   P/NAME/error                one line for each message that was not written
//   P/NAME/availability         "online" while the display's port is open, "offline" while it
//                               fails and, as the display connection's will, when the bridge
//                               went away; retained
//   P/bridge/ID/status          "online" / "offline", retained; "offline" is also the last will
//   P/bridge/ID/error           why connecting failed last, once connected again; retained
//   DISCOVERY/COMPONENT/ID/NAME/config   the display's Home Assistant entities, retained
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "bridge/settings.h"

namespace quillon::bridge {

std::string send_topic(const settings& s, const std::string& display);
std::string raw_topic(const settings& s, const std::string& display);
std::string alert_topic(const settings& s, const std::string& display);
std::string screen_set_topic(const settings& s, const std::string& display);
// P/NAME/line/ : the row's number follows.
std::string line_topic_start(const settings& s, const std::string& display);
std::string backlight_topic(const settings& s, const std::string& display);
std::string state_topic(const settings& s, const std::string& display);
std::string error_topic(const settings& s, const std::string& display);
std::string availability_topic(const settings& s, const std::string& display);
std::string status_topic(const settings& s);
std::string bridge_error_topic(const settings& s);

struct discovery_document {
    std::string topic;
    std::string config;  // JSON; empty removes an entity Home Assistant had
};

// A display's entities, all of one device (this bridge), each available while the bridge and
// the display's port are: a notify entity for send, a text entity for alerts, a switch for the
// backlight, a sensor of what shows (the state's other fields its attributes) and, when the
// display has screens, a select of them. Each names the entity id it asks for
// (default_entity_id): DOMAIN.quillon_bridge_ID_NAME, with a suffix for all but the notify
// entity, which is what Home Assistant made of the names before the bridge asked.
std::vector<discovery_document> discovery_documents(const settings& s, const display_setting& d);
// The documents that remove the entities of a display no longer served.
std::vector<discovery_document> retired_documents(const settings& s, const std::string& display);

}  // namespace quillon::bridge
