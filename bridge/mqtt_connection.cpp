#include "bridge/mqtt_connection.h"

#include <mqtt_protocol.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace quillon::bridge {
namespace {

using namespace std::chrono_literals;

// How long the broker keeps a persistent session, and its queued messages, while the bridge is
// away: a week covers a long weekend and a holiday; the broker's own max_queued_messages bounds
// what is kept.
constexpr std::uint32_t session_expiry_seconds = 7 * 24 * 3600;
constexpr auto first_retry = 100ms;
constexpr auto longest_retry = 5000ms;

class property_list {
  public:
    property_list() = default;
    ~property_list() { mosquitto_property_free_all(&list_); }
    property_list(const property_list&) = delete;
    property_list& operator=(const property_list&) = delete;
    mosquitto_property** out() { return &list_; }
    const mosquitto_property* get() const { return list_; }

  private:
    mosquitto_property* list_ = nullptr;
};

void check(int rc, const char* what) {
    if (rc != MOSQ_ERR_SUCCESS) {
        throw std::runtime_error(std::string(what) + ": " + mosquitto_strerror(rc));
    }
}

mqtt_connection& owner(void* self) { return *static_cast<mqtt_connection*>(self); }

}  // namespace

void log_line(const std::string& text) {
    static std::mutex one_at_a_time;
    std::lock_guard lock(one_at_a_time);
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

mqtt_connection::mqtt_connection(const broker_login& login, connection_options options,
                                 callbacks handlers)
    : login_(login), options_(std::move(options)), handlers_(std::move(handlers)) {
    client_.reset(mosquitto_new(options_.client_id.c_str(), !options_.persistent_session, this));
    if (!client_) throw std::runtime_error("cannot make an MQTT client: out of memory");
    mosquitto* c = client_.get();
    // MQTT 5 for Maximum-Packet-Size (see connection_options). The library reads one packet at a
    // time, exactly its length, and queues the PUBACK to be written after the message callback
    // has returned: what the broker sent beyond it stays unread and unacknowledged in the
    // socket. The receive maximum is the protocol's largest, not 1: mosquitto (2.0.11,
    // measured) counts a message it drops for Maximum-Packet-Size against the quota and never
    // gives it back until the client connects again, so with 1 a single oversize message would
    // stall the display; with 65535 a publisher must send that many first.
    check(mosquitto_int_option(c, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5), "MQTT 5");
    check(mosquitto_int_option(c, MOSQ_OPT_RECEIVE_MAXIMUM, 65535), "receive maximum");
    // Every packet is small and waited for (a PUBACK lets the broker send the next message):
    // Nagle's algorithm would hold one back for the peer's delayed ACK.
    check(mosquitto_int_option(c, MOSQ_OPT_TCP_NODELAY, 1), "TCP_NODELAY");
    // Other threads publish and stop through this client while its thread runs the loop.
    check(mosquitto_threaded_set(c, true), "threads");
    const settings& s = login_.broker;
    if (s.broker.tls) {
        if (s.cafile.empty()) {
            check(mosquitto_int_option(c, MOSQ_OPT_TLS_USE_OS_CERTS, 1), "system certificates");
        }
        const auto or_null = [](const std::string& t) { return t.empty() ? nullptr : t.c_str(); };
        check(mosquitto_tls_set(c, or_null(s.cafile), nullptr, or_null(s.certfile),
                                or_null(s.keyfile), nullptr),
              "TLS files");
    }
    if (!s.username.empty()) {
        check(mosquitto_username_pw_set(c, s.username.c_str(),
                                        login_.password ? login_.password->c_str() : nullptr),
              "user name");
    }
    if (options_.will) {
        const std::string& payload = options_.will->second;
        check(
            mosquitto_will_set_v5(c, options_.will->first.c_str(), static_cast<int>(payload.size()),
                                  payload.data(), 1, true, nullptr),
            "last will");
    }
    mosquitto_connect_v5_callback_set(c, [](mosquitto*, void* self, int rc, int,
                                            const mosquitto_property*) {
        // A broker of MQTT 3.1.1 answers a version-5 CONNECT with its own CONNACK refusing
        // the protocol level, which the library reports as this reason.
        if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION) {
            owner(self).protocol_refused_ = true;
        }
        if (rc != 0) return;
        owner(self).connected_ = true;
        if (owner(self).handlers_.on_connect) owner(self).handlers_.on_connect();
    });
    mosquitto_subscribe_v5_callback_set(
        c, [](mosquitto*, void* self, int, int, const int*, const mosquitto_property*) {
            if (owner(self).handlers_.on_subscribed) owner(self).handlers_.on_subscribed();
        });
    mosquitto_message_v5_callback_set(
        c, [](mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*) {
            if (owner(self).handlers_.on_message) owner(self).handlers_.on_message(*message);
        });
}

void mqtt_connection::start() {
    thread_ = std::thread([this] { run(); });
}

mqtt_connection::~mqtt_connection() { stop(); }

void mqtt_connection::publish(const std::string& topic, std::string_view payload, bool retain) {
    // Not connected: dropped, as it would be by a broker that is away. Nothing waits for it.
    static_cast<void>(mosquitto_publish_v5(client_.get(), nullptr, topic.c_str(),
                                           static_cast<int>(payload.size()), payload.data(), 1,
                                           retain, nullptr));
}

void mqtt_connection::subscribe(const std::vector<std::string>& topics) {
    std::vector<char*> names;
    for (const std::string& t : topics) names.push_back(const_cast<char*>(t.c_str()));
    static_cast<void>(mosquitto_subscribe_multiple(
        client_.get(), nullptr, static_cast<int>(names.size()), names.data(), 1, 0, nullptr));
}

void mqtt_connection::request_stop() {
    {
        std::lock_guard lock(wake_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    // Queues the DISCONNECT behind what is queued and wakes the loop's wait on the socket.
    static_cast<void>(
        mosquitto_disconnect_v5(client_.get(), MQTT_RC_NORMAL_DISCONNECTION, nullptr));
}

void mqtt_connection::stop() {
    if (!stopping_) request_stop();
    if (thread_.joinable()) thread_.join();
}

void mqtt_connection::run() {
    auto delay = first_retry;
    const broker_address& b = login_.broker.broker;
    const std::string where = b.host + ":" + std::to_string(b.port);
    bool reported = false;  // the failure to reach the broker was logged once already
    while (!stopping_) {
        connected_ = false;
        connect_and_serve();
        if (stopping_) break;
        if (protocol_refused_.exchange(false) && !mqtt311_) {
            // Once, at start: the broker's size limit is all that stands before the bridge's
            // memory then, and a message over --max-payload is refused only once it is read.
            mqtt311_ = true;
            static std::atomic<bool> said{false};  // once for the bridge, not per connection
            if (!said.exchange(true))
                log_line(options_.client_id + ": the broker at " + where +
                         " speaks only MQTT 3.1.1: messages over --max-payload are refused only "
                         "once they have reached the bridge");
            static_cast<void>(
                mosquitto_int_option(client_.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311));
            continue;
        }
        if (connected_) {
            delay = first_retry;  // it worked for a while: start the back-off anew
            reported = false;
        }
        if (!reported) log_line(options_.client_id + ": no connection to " + where + "; retrying");
        reported = true;
        wait_before_retry(delay);
        delay = std::min(delay * 2, std::chrono::milliseconds(longest_retry));
    }
}

void mqtt_connection::connect_and_serve() {
    property_list properties;
    if (options_.persistent_session && !mqtt311_) {
        // Without it an MQTT 5 broker ends the session when the connection ends.
        mosquitto_property_add_int32(properties.out(), MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                     session_expiry_seconds);
    }
    if (options_.maximum_packet_size != 0 && !mqtt311_) {
        mosquitto_property_add_int32(properties.out(), MQTT_PROP_MAXIMUM_PACKET_SIZE,
                                     options_.maximum_packet_size);
    }
    const broker_address& b = login_.broker.broker;
    if (mosquitto_connect_bind_v5(client_.get(), b.host.c_str(), b.port, options_.keepalive_seconds,
                                  nullptr, properties.get()) != MOSQ_ERR_SUCCESS) {
        return;
    }
    // A stop asked for while the connect was under way found nothing to disconnect.
    bool disconnect_sent = false;
    int loops_since_stop = 0;
    while (mosquitto_loop(client_.get(), 1000, 1) == MOSQ_ERR_SUCCESS) {
        if (!stopping_) continue;
        if (!disconnect_sent) {
            static_cast<void>(
                mosquitto_disconnect_v5(client_.get(), MQTT_RC_NORMAL_DISCONNECTION, nullptr));
            disconnect_sent = true;
        }
        // What is queued goes out within a few passes; a broker that takes nothing more is left.
        if (++loops_since_stop > 3) break;
    }
}

void mqtt_connection::wait_before_retry(std::chrono::milliseconds delay) {
    std::unique_lock lock(wake_mutex_);
    wake_.wait_for(lock, delay, [this] { return stopping_.load(); });
}

}  // namespace quillon::bridge
