#include "bridge/status_link.h"

#include <utility>

#include "bridge/topics.h"

namespace quillon::bridge {

status_link::status_link(const settings& s, const broker_login& login,
                         std::vector<std::string> retired)
    : settings_(s), retired_(std::move(retired)) {
    connection_options options;
    options.client_id = s.client_id;
    options.will = {status_topic(s), "offline"};
    connection_ = std::make_unique<mqtt_connection>(
        login, options,
        mqtt_connection::callbacks{[this] { announce(); }, nullptr, nullptr,
                                   [this](const std::string& why) { last_failure_ = why; },
                                   nullptr});
    connection_->start();
}

void status_link::announce() {
    log_line(settings_.client_id + ": connected to " + settings_.broker.host + ":" +
             std::to_string(settings_.broker.port));
    connection_->publish(status_topic(settings_), "online", true);
    // Why it could not connect before, now that it can say so (the log said it already);
    // retained, for whoever looks later.
    if (!last_failure_.empty()) {
        connection_->publish(bridge_error_topic(settings_),
                             "connected after failing: " + std::exchange(last_failure_, {}), true);
    }
    // An empty retained message removes a retained one: Home Assistant then forgets the entity.
    for (const display_setting& d : settings_.displays) {
        for (const discovery_document& doc : discovery_documents(settings_, d)) {
            connection_->publish(doc.topic, doc.config, true);
        }
    }
    for (const std::string& name : retired_) {
        for (const discovery_document& doc : retired_documents(settings_, name)) {
            connection_->publish(doc.topic, doc.config, true);
        }
    }
}

void status_link::stop(bool say_offline) {
    if (say_offline) connection_->publish(status_topic(settings_), "offline", true);
    connection_->stop();
}

}  // namespace quillon::bridge
