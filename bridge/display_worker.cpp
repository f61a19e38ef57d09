#include "bridge/display_worker.h"

#include <algorithm>

#include "bridge/topics.h"
#include "serial/write_bound.h"
#include "translate/text_to_bytes.h"

namespace quillon::bridge {

int keepalive_for(std::size_t max_payload, int baud) {
    const double longest_write =
        static_cast<double>(serial::write_bound_ms(max_payload, static_cast<std::uint32_t>(baud))) /
        1000.0;
    const double needed = (longest_write + 10.0) / 1.5;
    return static_cast<int>(std::clamp(needed, 60.0, 65535.0));
}

std::uint32_t packet_size_for(std::size_t max_payload, std::size_t topic_size) {
    // A PUBLISH: its type and remaining length (5 bytes at most), the topic and its length (2),
    // the packet id (2), then the properties the publisher set, which the broker passes on.
    constexpr std::size_t header = 5 + 2 + 2;
    constexpr std::size_t properties = 512;
    return static_cast<std::uint32_t>(max_payload + topic_size + header + properties);
}

display_worker::display_worker(const settings& s, const broker_login& login,
                               const display_setting& display)
    : settings_(s),
      login_(login),
      line_(std::make_unique<display_line>(display)),
      charset_(display.charset),
      max_payload_(s.max_payload),
      send_topic_(send_topic(s, line_->setting().name)),
      raw_topic_(raw_topic(s, line_->setting().name)),
      error_topic_(error_topic(s, line_->setting().name)),
      availability_topic_(availability_topic(s, line_->setting().name)) {
    connection_options options;
    options.client_id = s.client_id + "/" + line_->setting().name;
    options.persistent_session = true;
    options.keepalive_seconds = keepalive_for(s.max_payload, line_->setting().baud);
    options.maximum_packet_size = packet_size_for(s.max_payload, send_topic_.size());
    options.idle_refresh = std::chrono::minutes(2);
    options.will = {availability_topic_, "offline"};
    mqtt_connection::callbacks handlers;
    handlers.on_connect = [this] {
        said_available_.reset();  // said again at every connect: the will may have spoken
        connection_->subscribe({send_topic_, raw_topic_});
        check_port(true);
    };
    handlers.on_idle = [this] { check_port(false); };
    handlers.on_subscribed = [this] {
        log_line(line_->setting().name + ": serving " + send_topic_ + " and " + raw_topic_ +
                 " on " + line_->setting().port);
    };
    handlers.on_message = [this](const mosquitto_message& m) { deliver(m); };
    connection_ = std::make_unique<mqtt_connection>(login, options, std::move(handlers));
    connection_->start();
}

std::string display_worker::text_bytes(std::string_view text, std::string_view topic) const {
    const text_settings settings{charset_, true, true};
    text_notes notes;
    std::string bytes = bytes_of_text(text, settings, notes);
    for (const note_line& line :
         note_lines(notes, settings, "a character set for the display (--display NAME=COMn,a00)")) {
        // The raw charset's UTF-8 is what a display without a character set has always had:
        // told for every message it would fill the log.
        if (line.what == note_line::kind::beyond_ascii) continue;
        log_line(line_->setting().name + ": " + line.text);
        if (line.what == note_line::kind::tag || line.what == note_line::kind::missing_character) {
            connection_->publish(error_topic_,
                                 "a message on " + std::string(topic) + ": " + line.text, false);
        }
    }
    return bytes;
}

void display_worker::deliver(const mosquitto_message& message) {
    const std::string_view topic = message.topic ? message.topic : "";
    const bool raw = topic == raw_topic_;
    if (!raw && topic != send_topic_) return;  // no display of ours: ignored
    const auto size = static_cast<std::size_t>(std::max(message.payloadlen, 0));
    if (size > max_payload_) {
        connection_->publish(error_topic_,
                             "a message of " + std::to_string(size) + " bytes on " +
                                 std::string(topic) + " was refused: the limit is " +
                                 std::to_string(max_payload_) + " bytes (--max-payload)",
                             false);
        return;
    }
    // Payloads are bytes: invalid UTF-8 and zero bytes go through as they came.
    const std::string_view payload(static_cast<const char*>(message.payload), size);
    const std::string bytes = raw ? std::string(payload) : text_bytes(payload, topic);
    if (bytes.empty()) return;
    const auto failure = line_->write(bytes);
    if (!line_->cancelled()) say_available(line_->is_open());
    if (failure) {
        if (line_->cancelled()) {
            connection_->hand_back_message();  // sent again at the next start
            return;
        }
        connection_->publish(error_topic_,
                             "a message on " + std::string(topic) + " was not written: " + *failure,
                             false);
    }
}

void display_worker::check_port(bool now) {
    // Opening a port that fails costs little (a look at the file system, or a refused connect
    // to a network target); a few seconds apart it finds a plugged-in adapter soon enough.
    constexpr auto retry = std::chrono::seconds(5);
    const auto at = std::chrono::steady_clock::now();
    if (!now && (line_->is_open() || at - port_checked_ < retry)) return;
    port_checked_ = at;
    const auto failure = line_->ensure_open();
    if (line_->cancelled()) return;
    if (failure && said_available_ != false) log_line(line_->setting().name + ": " + *failure);
    say_available(!failure);
}

void display_worker::say_available(bool available) {
    if (said_available_ == available) return;
    said_available_ = available;
    connection_->publish(availability_topic_, available ? "online" : "offline", true);
}

bool display_worker::serves(const settings& s, const broker_login& login,
                            const display_setting& display) const {
    const settings& mine = settings_;
    return display == line_->setting() && s.broker == mine.broker && s.cafile == mine.cafile &&
           s.certfile == mine.certfile && s.keyfile == mine.keyfile &&
           s.username == mine.username && login.password == login_.password &&
           s.client_id == mine.client_id && s.prefix == mine.prefix &&
           s.max_payload == mine.max_payload;
}

}  // namespace quillon::bridge
