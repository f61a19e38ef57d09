// quillon-bridge: serial display modules served to an MQTT broker.
//
// How it works. Every display has its own MQTT connection and thread (display_worker.h) and its
// own serial line (display_line.h); one more connection carries the bridge's status and the
// Home Assistant discovery (status_link.h). Both C client libraries acknowledge a QoS 1
// message before the application sees it (mosquitto issue 2884), so a message the bridge
// held in memory would be lost if it were killed. None is held: a display's connection reads
// its next message only once the previous one is written, the broker sends one at a time
// (receive maximum 1), and the rest wait at the broker or unacknowledged in the socket, from
// where the broker sends them again after a restart. At most the message being written when
// the bridge dies is lost, on each display. Each display's connection asks for a
// Maximum-Packet-Size, so that no publisher can make the bridge hold more than --max-payload.
//
// Each display's worker (display_worker.h) owns its line; messages arrive at its deliver().
// A stop cancels the write in progress and hands its message back to the broker
// unacknowledged; a reload touches only the displays whose settings changed. Nothing waits on
// a display that is stuck, or on a connect (which has a bound and is interrupted at a stop).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge/display_worker.h"
#include "bridge/mqtt_connection.h"
#include "bridge/settings.h"
#include "bridge/status_link.h"

namespace quillon::bridge {

class bridge {
  public:
    // Starts serving at once. Throws std::runtime_error when a connection cannot be set up.
    explicit bridge(const loaded_settings& loaded);
    ~bridge() { halt(false); }
    bridge(const bridge&) = delete;
    bridge& operator=(const bridge&) = delete;

    // New settings (SIGHUP). A display whose settings (and the broker's) did not change is not
    // touched: its connection and open port stay, its port checked against the ports mapping at
    // its next message. The others are stopped as at a stop and started anew; the status
    // connection is made again. Nothing waits on a display that is stuck.
    void reload(const loaded_settings& loaded);
    // Cancels the writes in progress (their messages go back to the broker, which sends them
    // again at the next start), publishes "offline" and disconnects.
    void stop() { halt(true); }

  private:
    void halt(bool say_offline);
    // Stops the workers side by side: each is asked first, then each is waited for.
    static void stop_all(std::vector<std::unique_ptr<display_worker>>& workers);

    settings settings_;
    broker_login login_;
    std::map<std::string, std::unique_ptr<display_worker>> workers_;
    std::unique_ptr<status_link> status_;
};

}  // namespace quillon::bridge
