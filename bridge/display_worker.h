// One display served by a connection of its own (client id ID/NAME, a persistent session,
// QoS 1 subscriptions to its topics, receive maximum 1) on a thread of its own, and its screens
// (screens_engine.h) on another. A send or raw message is written to the line inside the
// connection's message callback, so the next one is not read until this one is written: the
// queue stays at the broker, and a display that stalls holds up only its own connection. The
// screens' requests (alerts, values, screen/set, line/N, backlight) return at once: their
// thread draws what they change when the line is free.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/display_line.h"
#include "bridge/mqtt_connection.h"
#include "bridge/screens_engine.h"
#include "bridge/settings.h"

namespace quillon::bridge {

class display_worker {
  public:
    display_worker(const settings& s, const broker_login& login, const display_setting& display);
    // The write in progress is cancelled and its message handed back to the broker, which
    // sends it again at the next start; a connect under way is interrupted. Returns at once.
    void request_stop() {
        connection_->publish(availability_topic_, "offline", true);
        line_->cancel();
        if (engine_) engine_->request_stop();
        connection_->request_stop();
    }
    // request_stop, then waits for the threads, which then have nothing to wait on.
    void stop() {
        request_stop();
        connection_->stop();
        if (engine_) engine_->stop();
    }
    ~display_worker() {
        line_->cancel();
        connection_->stop();
        if (engine_) engine_->stop();
    }
    display_worker(const display_worker&) = delete;
    display_worker& operator=(const display_worker&) = delete;
    // The ports mapping may have changed (SIGHUP): see display_line::recheck_mapping.
    void recheck_mapping() { line_->recheck_mapping(); }
    // Whether these settings would give the same worker: then a reload leaves it alone, but for
    // its screens (take_screens).
    bool serves(const settings& s, const broker_login& login, const display_setting& display) const;
    // A reload's screens file, when its text changed: taken without touching the line, the
    // values' topics subscribed to.
    void take_screens(const display_setting& display);

  private:
    void deliver(const mosquitto_message& message);
    void write_message(std::string_view topic, std::string_view payload, bool raw);
    // A request for the screens; what is wrong with it goes to the error topic.
    void screens_request(std::string_view topic, std::string_view payload);
    void subscribe_all();
    // One line on the error topic (not logged: any publisher could fill the log).
    void refused(const std::string& why);
    // A send message's bytes (translate/text_to_bytes.h); its unknown names and broken tags and
    // the characters the ROM lacks are logged and published on the error topic, at most 20 of
    // each named and the rest counted, and the ASCII that the ROM shows otherwise is logged.
    std::string text_bytes(std::string_view text, std::string_view topic) const;
    // The port opened at each connect and tried again every few seconds while it fails;
    // P/NAME/availability says whether it is open (retained, "offline" also the will).
    void check_port(bool now);
    void say_available(bool available);

    // Where messages arrive (deliver), and the display's line, which this worker alone owns.
    settings settings_;
    broker_login login_;
    std::unique_ptr<display_line> line_;
    std::optional<display::rom> charset_;
    std::size_t max_payload_;
    std::string send_topic_;
    std::string raw_topic_;
    std::string alert_topic_;
    std::string screen_set_topic_;
    std::string line_topic_start_;
    std::string backlight_topic_;
    std::string state_topic_;
    std::string screens_text_;  // the screens file's text now running
    std::string error_topic_;
    std::string availability_topic_;
    std::optional<bool> said_available_;  // what availability_topic_ holds, as far as we know
    bool serving_told_ = false;           // the "serving" line logged since the last connect
    std::chrono::steady_clock::time_point port_checked_{};
    std::unique_ptr<mqtt_connection> connection_;
    // Last: made once the connection is (it publishes the state), and its thread and the
    // connection's use everything above; the destructor stops both first.
    std::unique_ptr<screens_engine> engine_;
};

// The keep-alive for a display's connection: the connection sends nothing while a message is
// being written, and the broker drops a client silent for 1.5 times its keep-alive, so it
// must outlast the longest write: serial::write_bound_ms for a message of the largest size at
// the line's rate.
int keepalive_for(std::size_t max_payload, int baud);

// The Maximum-Packet-Size a display's connection asks of the broker: a message of --max-payload
// bytes on its longest topic, with room for a publisher's properties. A slightly larger payload
// with fewer properties still comes, and is refused by the bridge's own check.
std::uint32_t packet_size_for(std::size_t max_payload, std::size_t topic_size);

}  // namespace quillon::bridge
