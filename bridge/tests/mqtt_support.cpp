#include "bridge/tests/mqtt_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "testing/pty.h"

namespace quillon::test {
namespace {

// Connects to (port 0: binds to a free port on) 127.0.0.1; returns the port, or 0.
int try_socket(int port, bool bind_free) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    auto* any = reinterpret_cast<sockaddr*>(&address);
    socklen_t size = sizeof address;
    int result = 0;
    if (bind_free ? bind(fd, any, size) == 0 && getsockname(fd, any, &size) == 0
                  : connect(fd, any, size) == 0) {
        result = ntohs(address.sin_port);
    }
    close(fd);
    return result;
}

}  // namespace

test_broker::test_broker(int port, const std::string& settings)
    : port_(port != 0 ? port : try_socket(0, true)) {
    write_file(folder_ / "mosquitto.conf", "listener " + std::to_string(port_) + " 127.0.0.1\n" +
                                               settings +
                                               "persistence false\nlog_dest none\n"
                                               // Started as root, mosquitto becomes user
                                               // mosquitto, who cannot read the test's files.
                                               "user root\n");
    process_ = std::make_unique<running_process>(
        std::vector<std::string>{"/usr/sbin/mosquitto", "-c",
                                 (folder_ / "mosquitto.conf").string()},
        std::map<std::string, std::string>{});
    for (int tries = 0; tries < 500 && try_socket(port_, false) == 0; ++tries) usleep(10000);
    if (try_socket(port_, false) == 0) throw std::runtime_error("mosquitto did not start");
}

mqtt_probe::mqtt_probe(int port, const std::vector<std::string>& topics)
    : client_((mosquitto_lib_init(), mosquitto_new(nullptr, true, this))) {
    mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
        auto& probe = *static_cast<mqtt_probe*>(self);
        std::lock_guard lock(probe.mutex_);
        probe.messages_.push_back({m->topic,
                                   std::string(static_cast<const char*>(m->payload),
                                               static_cast<std::size_t>(m->payloadlen)),
                                   m->retain});
        probe.changed_.notify_all();
    });
    mosquitto_publish_callback_set(client_, [](mosquitto*, void* self, int) {
        auto& probe = *static_cast<mqtt_probe*>(self);
        std::lock_guard lock(probe.mutex_);
        ++probe.acknowledged_;
        probe.changed_.notify_all();
    });
    if (mosquitto_connect(client_, "127.0.0.1", port, 60) != MOSQ_ERR_SUCCESS) {
        throw std::runtime_error("probe cannot connect");
    }
    for (const std::string& t : topics) mosquitto_subscribe(client_, nullptr, t.c_str(), 1);
    mosquitto_loop_start(client_);
}

mqtt_probe::~mqtt_probe() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
}

bool mqtt_probe::publish(const std::string& topic, const std::string& payload, bool retain,
                         int qos) {
    {
        std::lock_guard lock(mutex_);
        ++sent_;
    }
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), qos, retain);
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return acknowledged_ >= sent_; });
}

std::vector<mqtt_message> mqtt_probe::wait_for(const std::string& topic, std::size_t count,
                                               std::chrono::milliseconds bound) {
    std::vector<mqtt_message> found;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [&] {
        found.clear();
        for (const mqtt_message& m : messages_) {
            if (m.topic == topic) found.push_back(m);
        }
        return found.size() >= count;
    });
    return found;
}

bridge_process::bridge_process(const std::vector<std::string>& arguments,
                               const std::map<int, std::string>& ports)
    : process_(
          [&] {
              std::vector<std::string> command{QUILLON_BRIDGE_PATH};
              command.insert(command.end(), arguments.begin(), arguments.end());
              return command;
          }(),
          port_guard::environment(ports)) {}

bool bridge_process::wait_for_log(const std::string& text, int count,
                                  std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    const auto seen = [&] {
        int found = 0;
        for (auto at = output_.find(text); at != std::string::npos;
             at = output_.find(text, at + 1)) {
            ++found;
        }
        return found >= count;
    };
    while (!seen()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const std::string more = process_.read_output(1, static_cast<int>(left.count()));
        if (more.empty()) return false;  // the bound passed, or the bridge ended
        output_ += more;
    }
    return true;
}

long peak_resident_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word && word != "VmHWM:") {
    }
    long kib = 0;
    return status >> kib ? kib : 0;
}

}  // namespace quillon::test
