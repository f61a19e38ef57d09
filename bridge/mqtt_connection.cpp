#include "bridge/mqtt_connection.h"

#include <mqtt_protocol.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace quillon::bridge {
namespace {

using namespace std::chrono_literals;

// How long the broker keeps a persistent session, and its queued messages, while the bridge is
// away: a week covers a long weekend and a holiday; the broker's own max_queued_messages bounds
// what is kept.
constexpr std::uint32_t session_expiry_seconds = 7 * 24 * 3600;
constexpr auto first_retry = 100ms;
constexpr auto longest_retry = 5000ms;
// A failure that goes on is logged again at most this often, with a count.
constexpr auto failure_log_interval = 60s;
// After the bound, the interrupt comes again this often: one that came just before the
// library's connect began is then followed by another while it waits.
constexpr auto interrupt_repeat = 100ms;
// Where Debian keeps the system's certificate authorities, one file per authority with hashed
// names (ca-certificates): the CA path OpenSSL looks in.
constexpr const char* system_ca_path = "/etc/ssl/certs";

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

void check(int rc, const std::string& what) {
    if (rc != MOSQ_ERR_SUCCESS) throw std::runtime_error(what + ": " + mosquitto_strerror(rc));
}

mqtt_connection& owner(void* self) { return *static_cast<mqtt_connection*>(self); }

// The signal that interrupts a blocking connect: a handler that does nothing, installed without
// SA_RESTART, so that connect(2) returns EINTR. The first real-time signal the C library leaves
// free; nothing else in the bridge uses it.
int interrupt_signal() {
    static const int chosen = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        sigaction(SIGRTMIN, &action, nullptr);
        return SIGRTMIN;
    }();
    return chosen;
}

std::string lower_first(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z')) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

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
    const broker_address& b = login_.broker.broker;
    where_ = b.host + ":" + std::to_string(b.port);
    client_.reset(mosquitto_new(options_.client_id.c_str(), !options_.persistent_session, this));
    if (!client_) throw std::runtime_error("cannot make an MQTT client: out of memory");
    mosquitto* c = client_.get();
    // MQTT 5 for the receive maximum: with 1 the broker sends a connection's next message only
    // after the previous one was acknowledged, so at most one message at a time is in the
    // bridge (the library acknowledges before the callback runs: mosquitto issue 2884). More
    // would wait unread in the socket, and a bridge killed then resets the connection, which
    // makes the broker drop the PUBACKs it has not read yet and send all those messages again.
    // And for Maximum-Packet-Size (see connection_options).
    check(mosquitto_int_option(c, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5), "MQTT 5");
    check(mosquitto_int_option(c, MOSQ_OPT_RECEIVE_MAXIMUM, 1), "receive maximum");
    // Every packet is small and waited for (a PUBACK lets the broker send the next message):
    // Nagle's algorithm would hold one back for the peer's delayed ACK.
    check(mosquitto_int_option(c, MOSQ_OPT_TCP_NODELAY, 1), "TCP_NODELAY");
    // Other threads publish and stop through this client while its thread runs the loop.
    check(mosquitto_threaded_set(c, true), "threads");
    const settings& s = login_.broker;
    if (s.broker.tls) {
        // Without --cafile, the system's authorities: the CA path. The library takes neither a
        // file nor a path as "invalid arguments", whatever it is told of the system's.
        const bool own_ca = !s.cafile.empty();
        const auto or_null = [](const std::string& t) { return t.empty() ? nullptr : t.c_str(); };
        check(
            mosquitto_tls_set(c, or_null(s.cafile), own_ca ? nullptr : system_ca_path,
                              or_null(s.certfile), or_null(s.keyfile), nullptr),
            "TLS files (" +
                (own_ca ? "--cafile " + s.cafile : std::string("the system's, ") + system_ca_path) +
                (s.certfile.empty() ? "" : ", --cert " + s.certfile + ", --key " + s.keyfile) +
                ")");
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
        mqtt_connection& me = owner(self);
        // A broker of MQTT 3.1.1 answers a version-5 CONNECT with its own CONNACK refusing
        // the protocol level, which the library reports as this reason.
        if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION) {
            me.protocol_refused_ = true;
        }
        if (rc != 0) {
            me.refusal_ = "the broker refused the connection: " +
                          lower_first(me.mqtt311_ ? mosquitto_connack_string(rc)
                                                  : mosquitto_reason_string(rc)) +
                          " (CONNACK " + std::to_string(rc) + ")";
            return;
        }
        me.connected_ = true;
        if (me.handlers_.on_connect) me.handlers_.on_connect();
    });
    mosquitto_subscribe_v5_callback_set(
        c, [](mosquitto*, void* self, int, int, const int*, const mosquitto_property*) {
            if (owner(self).handlers_.on_subscribed) owner(self).handlers_.on_subscribed();
        });
    mosquitto_message_v5_callback_set(
        c, [](mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*) {
            owner(self).last_message_ = std::chrono::steady_clock::now();
            if (owner(self).handlers_.on_message) owner(self).handlers_.on_message(*message);
        });
    // The library says what failed in TLS only in its log ("OpenSSL Error[0]: error:0A000086:SSL
    // routines::certificate verify failed"): the last such line is kept for the failure's words.
    mosquitto_log_callback_set(c, [](mosquitto*, void* self, int level, const char* text) {
        if (level != MOSQ_LOG_ERR || text == nullptr) return;
        std::string_view line = text;
        if (!line.starts_with("OpenSSL Error")) return;
        // The reason is after the last ':' of OpenSSL's "error:CODE:LIBRARY:FUNCTION:REASON".
        const std::size_t colon = line.rfind(':');
        if (colon != std::string_view::npos) line.remove_prefix(colon + 1);
        owner(self).tls_error_ = std::string(line);
    });
    interrupt_signal();
}

void mqtt_connection::start() {
    thread_ = std::thread([this] { run(); });
}

mqtt_connection::~mqtt_connection() { stop(); }

void mqtt_connection::publish(const std::string& topic, std::string_view payload, bool retain,
                              int qos) {
    // Not connected: dropped, as it would be by a broker that is away. Nothing waits for it.
    // Also while connecting: a packet queued between the socket's connect and the CONNECT
    // would reach the broker first, which then drops the connection.
    if (!connected_) return;
    static_cast<void>(mosquitto_publish_v5(client_.get(), nullptr, topic.c_str(),
                                           static_cast<int>(payload.size()), payload.data(), qos,
                                           retain, nullptr));
}

void mqtt_connection::subscribe(const std::vector<std::string>& topics, int qos) {
    if (topics.empty()) return;
    std::vector<char*> names;
    for (const std::string& t : topics) names.push_back(const_cast<char*>(t.c_str()));
    static_cast<void>(mosquitto_subscribe_multiple(
        client_.get(), nullptr, static_cast<int>(names.size()), names.data(), qos, 0, nullptr));
}

void mqtt_connection::request_stop() {
    {
        std::lock_guard lock(wake_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    // A connect under way is interrupted (the library's connect blocks in connect(2)).
    arm_interrupt(1ns);
    // Queues the DISCONNECT behind what is queued and wakes the loop's wait on the socket.
    static_cast<void>(
        mosquitto_disconnect_v5(client_.get(), MQTT_RC_NORMAL_DISCONNECTION, nullptr));
}

void mqtt_connection::stop() {
    if (!stopping_) request_stop();
    if (thread_.joinable()) thread_.join();
}

void mqtt_connection::hand_back_message() {
    handed_back_ = true;
    // Nothing more is written: the PUBACK queued for the message never leaves, and the broker
    // sees the connection end without DISCONNECT (a display's connection has no will).
    const int fd = mosquitto_socket(client_.get());
    if (fd >= 0) static_cast<void>(::shutdown(fd, SHUT_RDWR));
}

void mqtt_connection::arm_interrupt(std::chrono::nanoseconds after) {
    std::lock_guard lock(wake_mutex_);
    if (!interrupt_) return;
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(after.count() / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(after.count() % 1000000000);
    when.it_interval.tv_nsec = std::chrono::nanoseconds(interrupt_repeat).count();
    static_cast<void>(timer_settime(*interrupt_, 0, &when, nullptr));
}

void mqtt_connection::run() {
    {
        // A timer that signals this thread alone (Linux's SIGEV_THREAD_ID).
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = interrupt_signal();
        event._sigev_un._tid = gettid();  // sigev_notify_thread_id, which glibc 2.36 does not name
        timer_t made{};
        std::lock_guard lock(wake_mutex_);
        if (timer_create(CLOCK_MONOTONIC, &event, &made) == 0) interrupt_ = made;
    }
    if (stopping_) arm_interrupt(1ns);
    auto delay = first_retry;
    while (!stopping_ && !handed_back_) {
        connected_ = false;
        connect_and_serve();
        if (stopping_ || handed_back_) break;
        if (protocol_refused_.exchange(false) && !mqtt311_) {
            // Once, at start: the broker's size limit is all that stands before the bridge's
            // memory then, and a message over --max-payload is refused only once it is read.
            mqtt311_ = true;
            static std::atomic<bool> said{false};  // once for the bridge, not per connection
            if (!said.exchange(true)) {
                log_line(options_.client_id + ": the broker at " + where_ +
                         " speaks only MQTT 3.1.1: messages over --max-payload are refused only "
                         "once they have reached the bridge");
            }
            static_cast<void>(
                mosquitto_int_option(client_.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311));
            continue;
        }
        if (std::exchange(refreshing_, false)) continue;
        if (connected_) delay = first_retry;  // it worked for a while: start the back-off anew
        wait_before_retry(delay);
        delay = std::min(delay * 2, std::chrono::milliseconds(longest_retry));
    }
    std::lock_guard lock(wake_mutex_);
    if (interrupt_) timer_delete(*interrupt_);
    interrupt_.reset();
}

std::string mqtt_connection::connect_failure(int rc) const {
    const broker_address& b = login_.broker.broker;
    if (!refusal_.empty()) return refusal_;
    if (!tls_error_.empty()) {
        std::string words = "TLS: " + tls_error_;
        if (tls_error_.find("wrong version number") != std::string::npos) {
            words += " (no TLS at this port? mqtt:// connects without)";
        } else if (tls_error_.find("verify failed") != std::string::npos) {
            words += login_.broker.cafile.empty()
                         ? std::string(" (not signed by an authority of the system's, ") +
                               system_ca_path + ", or not for " + b.host + ")"
                         : " (not signed by --cafile " + login_.broker.cafile + ", or not for " +
                               b.host + ")";
        }
        return words;
    }
    switch (rc) {
        case MOSQ_ERR_EAI:
            return "cannot resolve " + b.host + " (" + gai_strerror(errno) + ")";
        case MOSQ_ERR_ERRNO:
            return lower_first(std::strerror(errno));
        case MOSQ_ERR_CONN_LOST:
        case MOSQ_ERR_NO_CONN:
            return b.tls ? "the broker closed the connection"
                         : "the broker closed the connection without answering (a TLS port? "
                           "mqtts:// connects with TLS)";
        default:
            return lower_first(mosquitto_strerror(rc));
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
    refusal_.clear();
    tls_error_.clear();
    const auto deadline = std::chrono::steady_clock::now() + connect_bound;
    arm_interrupt(connect_bound);
    const broker_address& b = login_.broker.broker;
    int rc = mosquitto_connect_bind_v5(client_.get(), b.host.c_str(), b.port,
                                       options_.keepalive_seconds, nullptr, properties.get());
    // The rest of the connect (TLS, CONNACK) runs in the loop below, within the same bound.
    while (rc == MOSQ_ERR_SUCCESS && !connected_ && !stopping_ && !protocol_refused_ &&
           std::chrono::steady_clock::now() < deadline) {
        rc = mosquitto_loop(client_.get(), 100, 1);
    }
    arm_interrupt(0ns);  // disarmed (a stop re-arms it)
    if (stopping_) return;
    if (!connected_) {
        if (protocol_refused_) return;
        failed(std::chrono::steady_clock::now() >= deadline
                   ? "no answer within " + std::to_string(connect_bound.count()) + " s"
                   : connect_failure(rc));
        return;
    }
    logged_reason_.clear();  // connected: the next failure is news again
    // A stop asked for while the connect was under way found nothing to disconnect.
    bool disconnect_sent = false;
    int loops_since_stop = 0;
    last_message_ = std::chrono::steady_clock::now();
    while ((rc = mosquitto_loop(client_.get(), 1000, 1)) == MOSQ_ERR_SUCCESS && !handed_back_) {
        if (!stopping_ && options_.idle_refresh.count() != 0 &&
            std::chrono::steady_clock::now() - last_message_ > options_.idle_refresh) {
            // See connection_options::idle_refresh: connected again at once, not a failure.
            static_cast<void>(
                mosquitto_disconnect_v5(client_.get(), MQTT_RC_NORMAL_DISCONNECTION, nullptr));
            while (mosquitto_loop(client_.get(), 100, 1) == MOSQ_ERR_SUCCESS) {
            }
            refreshing_ = true;
            return;
        }
        if (!stopping_) {
            if (handlers_.on_idle) handlers_.on_idle();
            continue;
        }
        if (!disconnect_sent) {
            static_cast<void>(
                mosquitto_disconnect_v5(client_.get(), MQTT_RC_NORMAL_DISCONNECTION, nullptr));
            disconnect_sent = true;
        }
        // What is queued goes out within a few passes; a broker that takes nothing more is left.
        if (++loops_since_stop > 3) break;
    }
    if (!stopping_ && !handed_back_) {
        failed(rc == MOSQ_ERR_KEEPALIVE ? "the broker stopped answering"
                                        : "the connection was lost: " + connect_failure(rc));
    }
}

void mqtt_connection::failed(const std::string& reason) {
    const auto now = std::chrono::steady_clock::now();
    ++failures_since_log_;
    if (reason == logged_reason_ && now - logged_at_ < failure_log_interval) return;
    std::string line = options_.client_id + ": ";
    if (reason == logged_reason_) {
        line += "still no connection to " + where_ + ": " + reason + " (" +
                std::to_string(failures_since_log_) + " tries in the last minute)";
    } else {
        line += "no connection to " + where_ + ": " + reason + "; retrying";
    }
    log_line(line);
    logged_reason_ = reason;
    logged_at_ = now;
    failures_since_log_ = 0;
    if (handlers_.on_failure) handlers_.on_failure(reason);
}

void mqtt_connection::wait_before_retry(std::chrono::milliseconds delay) {
    std::unique_lock lock(wake_mutex_);
    wake_.wait_for(lock, delay, [this] { return stopping_.load(); });
}

}  // namespace quillon::bridge
