// One connection to the broker through libmosquitto, kept up by its own thread: it connects,
// runs the client's loop, and after any failure (a refused connect, a dropped connection, a
// broker that sends what the client cannot parse) connects again after a back-off that doubles
// from 100 ms to at most 5 s. Each (re)connect calls on_connect, where the owner subscribes
// again: a broker without persistence has forgotten the session.
//
// A connect has one bound, connect_bound: the name lookup, the TCP connect, the TLS handshake
// and the broker's CONNACK together. The library's connect blocks (a broker that drops SYNs
// held it 131 s); a timer of the connection's thread interrupts it with a signal at the bound,
// and a stop interrupts it at once. Why a connect failed is said in words (refused, not
// resolved, the TLS failure, the broker's CONNACK reason, no answer in time), logged the first
// time and then once a minute with a count, and handed to on_failure.
//
// Callbacks run on the connection's thread; a message callback that takes its time (writing a
// display) holds back the reading of the next message, which is the point: what is not read
// stays in the socket or at the broker (see bridge.h).
#pragma once

#include <mosquitto.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bridge/settings.h"

namespace quillon::bridge {

// One line on standard output (the journal, under systemd), whole even when threads log at once.
void log_line(const std::string& text);

// mosquitto_lib_init for the program's lifetime; one, made in main before any connection.
class mqtt_library {
  public:
    mqtt_library() { mosquitto_lib_init(); }
    ~mqtt_library() { mosquitto_lib_cleanup(); }
    mqtt_library(const mqtt_library&) = delete;
    mqtt_library& operator=(const mqtt_library&) = delete;
};

struct broker_login {
    settings broker;  // the broker, TLS files and user name of these settings
    std::optional<std::string> password;
};

// The name lookup, TCP connect, TLS handshake and CONNACK of one connect, together.
inline constexpr std::chrono::seconds connect_bound{10};

struct connection_options {
    std::string client_id;
    // On: the broker keeps the session and queues QoS 1 messages while the client is away.
    bool persistent_session = false;
    int keepalive_seconds = 60;
    // A message the broker publishes (retained) when the connection ends without a DISCONNECT.
    std::optional<std::pair<std::string, std::string>> will;
    // MQTT 5's Maximum-Packet-Size: the broker never sends a larger packet (it drops the
    // message instead), so no publisher can make the bridge hold more. 0: none.
    std::uint32_t maximum_packet_size = 0;
    // After this long without a message the connection is made again. mosquitto (2.0.11,
    // measured) counts a message it drops for Maximum-Packet-Size against the receive maximum
    // (1, see mqtt_connection.cpp) and gives it back only at the next connect: until then the
    // broker sends the display nothing more. 0: never.
    std::chrono::seconds idle_refresh{0};
};

struct mosquitto_deleter {
    void operator()(mosquitto* m) const noexcept { mosquitto_destroy(m); }
};
using mosquitto_ptr = std::unique_ptr<mosquitto, mosquitto_deleter>;

class mqtt_connection {
  public:
    struct callbacks {
        std::function<void()> on_connect;
        std::function<void(const mosquitto_message&)> on_message;
        std::function<void()> on_subscribed;  // the broker granted a subscribe
        // Why the connection could not be made or was lost, in words; at most as often as it
        // is logged (the first time, then once a minute).
        std::function<void(const std::string&)> on_failure;
        // While connected, after each pass of the loop: at least once a second.
        std::function<void()> on_idle;
    };

    // Throws std::runtime_error when the client cannot be set up (a TLS file the library
    // refuses, say). A broker that cannot be reached is no error: start() keeps trying.
    mqtt_connection(const broker_login& login, connection_options options, callbacks handlers);
    // stop(), if not done yet.
    ~mqtt_connection();
    mqtt_connection(const mqtt_connection&) = delete;
    mqtt_connection& operator=(const mqtt_connection&) = delete;

    // Starts the thread; the callbacks may run from then on.
    void start();
    // From the connection's callbacks or any thread: sent while connected (from on_connect on),
    // else dropped. QoS 1 unless told.
    void publish(const std::string& topic, std::string_view payload, bool retain, int qos = 1);
    // The topics in one SUBSCRIBE, at QoS 1 unless told.
    void subscribe(const std::vector<std::string>& topics, int qos = 1);
    // Asks the thread to end: a connect under way is interrupted, a connection ends with a
    // clean DISCONNECT after what was queued (so no will), then the thread ends. request_stop
    // returns at once; stop also waits for the thread.
    void request_stop();
    void stop();
    // From the message callback: the message in progress goes back to the broker. The
    // connection is cut at once, without the message's PUBACK (which the library has queued)
    // and without DISCONNECT, so the broker sends the message again at the next connect of the
    // session. For a stop that cancelled the message's write.
    void hand_back_message();

  private:
    void run();
    void connect_and_serve();
    void wait_before_retry(std::chrono::milliseconds delay);
    void failed(const std::string& reason);
    // The connect's bound: the thread's timer signals it from then on, every 100 ms, until
    // disarmed; a stop arms it to fire at once.
    void arm_interrupt(std::chrono::nanoseconds after);
    std::string connect_failure(int rc) const;

    broker_login login_;
    connection_options options_;
    callbacks handlers_;
    mosquitto_ptr client_;
    std::string where_;  // HOST:PORT
    // The broker refused MQTT 5: MQTT 3.1.1 from then on, without Maximum-Packet-Size.
    bool mqtt311_ = false;
    std::atomic<bool> protocol_refused_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> connected_{false};
    std::atomic<bool> handed_back_{false};
    bool refreshing_ = false;
    std::chrono::steady_clock::time_point last_message_{};
    // What the broker or the library said of the connect under way, for the failure's words.
    std::string refusal_;    // the CONNACK's reason
    std::string tls_error_;  // the library's last TLS error line
    // The failures logged: the reason, when, and how many since.
    std::string logged_reason_;
    std::chrono::steady_clock::time_point logged_at_{};
    int failures_since_log_ = 0;
    std::mutex wake_mutex_;  // also guards the timer's life
    std::condition_variable wake_;
    std::optional<timer_t> interrupt_;
    std::thread thread_;
};

}  // namespace quillon::bridge
