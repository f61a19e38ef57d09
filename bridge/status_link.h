// The bridge's own connection (client id ID, no session kept): "online" on
// P/bridge/ID/status at every connect, "offline" as its last will and at a clean stop, and the
// Home Assistant discovery documents, all retained. After connect failures, the last one's
// reason on P/bridge/ID/error once connected.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bridge/mqtt_connection.h"
#include "bridge/settings.h"

namespace quillon::bridge {

class status_link {
  public:
    // retired: displays served before a reload and no longer, whose discovery is removed.
    status_link(const settings& s, const broker_login& login, std::vector<std::string> retired);
    // Publishes "offline" (when say_offline) and disconnects cleanly.
    void stop(bool say_offline);

  private:
    void announce();

    settings settings_;
    std::vector<std::string> retired_;
    std::string last_failure_;  // why the last connect failed, until said on the error topic
    std::unique_ptr<mqtt_connection> connection_;  // last: its thread uses everything above
};

}  // namespace quillon::bridge
