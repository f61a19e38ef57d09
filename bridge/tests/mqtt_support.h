// What the bridge's tests run it against: a real mosquitto broker on 127.0.0.1 with a
// configuration of its own, a client that watches and publishes, and the bridge as a process.
#pragma once

#include <mosquitto.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "testing/process.h"
#include "testing/scratch.h"

namespace quillon::test {

using namespace std::chrono_literals;

// mosquitto -c FILE on a free port, no persistence; ready when it takes a TCP connection. Its
// default message_size_limit (0) takes a message of any size the protocol allows (256 MB).
class test_broker {
  public:
    // 0: a free port. The settings follow the listener's line (TLS files, a password file).
    explicit test_broker(int port = 0, const std::string& settings = "allow_anonymous true\n");
    int port() const { return port_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

  private:
    scratch_folder folder_{"quillon-broker"};
    int port_;
    std::unique_ptr<running_process> process_;
};

struct mqtt_message {
    std::string topic;
    std::string payload;
    bool retain = false;
};

// A client on its own loop thread: records what arrives on its subscriptions.
class mqtt_probe {
  public:
    explicit mqtt_probe(int port, const std::vector<std::string>& topics = {"#"});
    ~mqtt_probe();
    mqtt_probe(const mqtt_probe&) = delete;
    mqtt_probe& operator=(const mqtt_probe&) = delete;

    // QoS 1 (or 0); returns once the broker has acknowledged every publish so far (QoS 0: once
    // it is sent), or the bound passed.
    bool publish(const std::string& topic, const std::string& payload, bool retain = false,
                 int qos = 1);
    // The payloads that arrived on the topic, once `count` have (or the bound passed).
    std::vector<mqtt_message> wait_for(const std::string& topic, std::size_t count,
                                       std::chrono::milliseconds bound = 10s);

  private:
    mosquitto* client_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<mqtt_message> messages_;
    int sent_ = 0;
    int acknowledged_ = 0;
};

// quillon-bridge as a process, with every COM port mapped: the given ones to their paths, the
// others to paths that do not exist; standard output collected for wait_for_log.
class bridge_process {
  public:
    bridge_process(const std::vector<std::string>& arguments,
                   const std::map<int, std::string>& ports);
    // Waits until the bridge's output has shown the text `count` times in all.
    bool wait_for_log(const std::string& text, int count = 1,
                      std::chrono::milliseconds bound = 15s);
    running_process& process() { return process_; }
    // What the bridge has printed so far (as far as wait_for_log has read).
    const std::string& output() const { return output_; }

  private:
    running_process process_;
    std::string output_;
};

// The process's peak resident memory (VmHWM of /proc/PID/status), in KiB; 0 when unknown.
long peak_resident_kib(pid_t pid);

}  // namespace quillon::test
