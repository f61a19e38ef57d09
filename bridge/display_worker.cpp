#include "bridge/display_worker.h"

#include <algorithm>
#include <utility>

#include "bridge/topics.h"
#include "options/words.h"
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
      send_topic_(send_topic(s, display.name)),
      raw_topic_(raw_topic(s, display.name)),
      alert_topic_(alert_topic(s, display.name)),
      screen_set_topic_(screen_set_topic(s, display.name)),
      line_topic_start_(line_topic_start(s, display.name)),
      backlight_topic_(backlight_topic(s, display.name)),
      state_topic_(state_topic(s, display.name)),
      error_topic_(error_topic(s, display.name)),
      availability_topic_(availability_topic(s, display.name)) {
    connection_options options;
    options.client_id = s.client_id + "/" + display.name;
    options.persistent_session = true;
    options.keepalive_seconds = keepalive_for(s.max_payload, display.baud);
    options.maximum_packet_size = packet_size_for(s.max_payload, send_topic_.size());
    options.idle_refresh = std::chrono::minutes(2);
    options.will = {availability_topic_, "offline"};
    mqtt_connection::callbacks handlers;
    handlers.on_connect = [this] {
        said_available_.reset();  // said again at every connect: the will may have spoken
        serving_said_ = false;
        subscribe_all();
        engine_->republish_state();
        if (!last_failure_.empty()) {
            refused("connected after failing: " + std::exchange(last_failure_, {}));
        }
        check_port(true);
    };
    handlers.on_idle = [this] { check_port(false); };
    handlers.on_failure = [this](const std::string& why) { last_failure_ = why; };
    handlers.on_subscribed = [this] {
        if (std::exchange(serving_said_, true)) return;  // a reload's new topics
        log_line(line_->setting().name + ": serving " + send_topic_ + " and " + raw_topic_ +
                 " on " + line_->setting().port);
    };
    handlers.on_message = [this](const mosquitto_message& m) { deliver(m); };
    connection_ = std::make_unique<mqtt_connection>(login, options, std::move(handlers));

    screens_engine::line_access access;
    access.write = [this](std::string_view bytes) { return line_->write(bytes); };
    access.opens = [this] { return line_->opens(); };
    access.publish_state = [this](const std::string& state) {
        // QoS 0: the next state replaces it, and a QoS 1 publish's acknowledgement, held back by
        // the broker's Nagle delay, would hold back the display's next message with it.
        connection_->publish(state_topic_, state, true, 0);
    };
    engine_ = std::make_unique<screens_engine>(
        screens_kind(display), screens::scheduler_settings{s.alert_ttl, s.message_ttl},
        display.baud, std::move(access));
    take_screens(display);  // subscribed to at the connect
    connection_->start();
    connection_started_ = true;
}

void display_worker::take_screens(const display_setting& display) {
    if (display.screens_text == screens_text_) return;
    // Checked when the settings were read: a refusal here would be a file changed since.
    if (std::string problem = engine_->load(display.screens_text, display.screens_file);
        !problem.empty()) {
        log_line(display.name + ": screens not reloaded: " + problem);
        return;
    }
    screens_text_ = display.screens_text;
    if (!display.screens_file.empty()) {
        log_line(display.name + ": screens from " + display.screens_file);
    }
    if (connection_started_) subscribe_all();
}

void display_worker::subscribe_all() {
    connection_->subscribe({send_topic_, raw_topic_, alert_topic_, screen_set_topic_,
                            line_topic_start_ + "+", backlight_topic_});
    // Values at QoS 0: only the newest counts, and the broker keeps none for an absent bridge
    // (a retained value comes at every subscribe).
    const auto topics = engine_->topics();
    connection_->subscribe(std::vector<std::string>(topics.begin(), topics.end()), 0);
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
    const auto size = static_cast<std::size_t>(std::max(message.payloadlen, 0));
    if (size > max_payload_) {
        refused("a message of " + std::to_string(size) + " bytes on " + std::string(topic) +
                " was refused: the limit is " + std::to_string(max_payload_) +
                " bytes (--max-payload)");
        return;
    }
    // Payloads are bytes: invalid UTF-8 and zero bytes go through as they came.
    const std::string_view payload(static_cast<const char*>(message.payload), size);
    if (topic == send_topic_ || topic == raw_topic_) {
        write_message(topic, payload, topic == raw_topic_);
    } else {
        screens_request(topic, payload);
    }
}

void display_worker::refused(const std::string& why) {
    connection_->publish(error_topic_, why, false);
}

void display_worker::write_message(std::string_view topic, std::string_view payload, bool raw) {
    const std::string bytes = raw ? std::string(payload) : text_bytes(payload, topic);
    if (bytes.empty()) return;
    const auto failure = engine_->write_message(bytes);
    if (!line_->cancelled()) say_available(line_->is_open());
    if (failure) {
        if (line_->cancelled()) {
            connection_->hand_back_message();  // sent again at the next start
            return;
        }
        refused("a message on " + std::string(topic) + " was not written: " + *failure);
    }
}

void display_worker::screens_request(std::string_view topic, std::string_view payload) {
    std::string problem;
    if (topic == alert_topic_) {
        problem = engine_->alert(payload);
    } else if (topic == screen_set_topic_) {
        problem = engine_->show_screen(payload);
    } else if (topic.starts_with(line_topic_start_)) {
        const std::string_view number = topic.substr(line_topic_start_.size());
        const auto row = options::whole_number(number);
        problem = row && *row >= 1 && *row <= 64
                      ? engine_->set_line(static_cast<int>(*row), payload)
                      : "no row '" + std::string(number) + "'";
    } else if (topic == backlight_topic_) {
        if (payload == "ON" || payload == "on") {
            engine_->set_backlight(true);
        } else if (payload == "OFF" || payload == "off") {
            engine_->set_backlight(false);
        } else {
            problem = "give ON or OFF, not '" + std::string(payload.substr(0, 40)) + "'";
        }
    } else {
        engine_->value(std::string(topic), std::string(payload));
    }
    if (!problem.empty()) {
        refused("a message on " + std::string(topic) + " was refused: " + problem);
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
    if (!failure && said_available_ != true) engine_->repaint();
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
    return same_line(display, line_->setting()) && s.alert_ttl == mine.alert_ttl &&
           s.message_ttl == mine.message_ttl && s.broker == mine.broker &&
           s.cafile == mine.cafile && s.certfile == mine.certfile && s.keyfile == mine.keyfile &&
           s.username == mine.username && login.password == login_.password &&
           s.client_id == mine.client_id && s.prefix == mine.prefix &&
           s.max_payload == mine.max_payload;
}

}  // namespace quillon::bridge
