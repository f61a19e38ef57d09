// The bridge's topics and the Home Assistant discovery document: names and text only, no
// connection.
//   P/NAME/send, P/NAME/raw     what the display is sent (subscribed with QoS 1)
//   P/NAME/error                one line for each message that was not written
//   P/NAME/availability         "online" while the display's port is open, "offline" while it
//                               fails and, as the display connection's will, when the bridge
//                               went away; retained
//   P/bridge/ID/status          "online" / "offline", retained; "offline" is also the last will
//   DISCOVERY/notify/ID/NAME/config   the display as a Home Assistant notify entity, retained
#pragma once

#include <string>

#include "bridge/settings.h"

namespace quillon::bridge {

std::string send_topic(const settings& s, const std::string& display);
std::string raw_topic(const settings& s, const std::string& display);
std::string error_topic(const settings& s, const std::string& display);
std::string availability_topic(const settings& s, const std::string& display);
std::string status_topic(const settings& s);
std::string discovery_topic(const settings& s, const std::string& display);

// The discovery document for one display: JSON with name, unique_id, command_topic, the
// availability topic and the device (this bridge).
std::string discovery_config(const settings& s, const std::string& display);

}  // namespace quillon::bridge
