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

display_worker::display_worker(const settings& s, const broker_login& login,
                               std::shared_ptr<display_line> line,
                               std::optional<display::rom> charset)
    : line_(std::move(line)),
      charset_(charset),
      max_payload_(s.max_payload),
      send_topic_(send_topic(s, line_->setting().name)),
      raw_topic_(raw_topic(s, line_->setting().name)),
      error_topic_(error_topic(s, line_->setting().name)) {
    connection_options options;
    options.client_id = s.client_id + "/" + line_->setting().name;
    options.persistent_session = true;
    options.keepalive_seconds = keepalive_for(s.max_payload, line_->setting().baud);
    mqtt_connection::callbacks handlers;
    handlers.on_connect = [this] { connection_->subscribe({send_topic_, raw_topic_}); };
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
    if (const auto failure = line_->write(bytes)) {
        connection_->publish(error_topic_,
                             "a message on " + std::string(topic) + " was not written: " + *failure,
                             false);
    }
}

}  // namespace quillon::bridge
