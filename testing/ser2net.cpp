#include "testing/ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

extern char** environ;

namespace quillon::test {
namespace {

// ser2net lives in /usr/sbin, which is not on every user's PATH.
std::string ser2net_program() {
    std::string folders = "/usr/sbin:/sbin";
    if (const char* path = std::getenv("PATH"); path != nullptr)
        folders = std::string(path) + ":" + folders;
    std::istringstream list(folders);
    std::string folder;
    while (std::getline(list, folder, ':')) {
        const std::string candidate = folder + "/ser2net";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Whether something listens on 127.0.0.1:port, from the kernel's socket table (a connection
// to find out would make ser2net open its device and could keep the one connection it serves
// busy).
bool listening(int port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", static_cast<unsigned>(port));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;  // 0A: TCP_LISTEN
    }
    return false;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int bound_socket(int receive_buffer) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    if (receive_buffer > 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("bind to 127.0.0.1 failed");
    }
    return fd;
}

int port_of(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

}  // namespace

std::string ser2net_missing() {
    if (ser2net_program().empty()) {
        return "ser2net is not installed (scripts/test installs it: Debian package ser2net)";
    }
    return {};
}

int free_local_port() {
    const int fd = bound_socket(0);
    const int port = port_of(fd);
    ::close(fd);
    return port;
}

ser2net_server::ser2net_server(const std::string& device) {
    const std::string program = ser2net_program();
    if (program.empty()) throw std::runtime_error(ser2net_missing());
    char folder[] = "/tmp/quillon-ser2net-XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = folder;
    // Both ports are taken before either is let go, so that they differ.
    const int a = bound_socket(0);
    const int b = bound_socket(0);
    rfc2217_port_ = port_of(a);
    tcp_port_ = port_of(b);
    ::close(a);
    ::close(b);

    const std::string config = folder_ + "/ser2net.yaml";
    {
        std::ifstream in(QUILLON_SER2NET_TEMPLATE);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::pair<std::string, std::string> fills[] = {
            {"@RFC2217_PORT@", std::to_string(rfc2217_port_)},
            {"@TCP_PORT@", std::to_string(tcp_port_)},
            {"@DEVICE@", device}};
        for (const auto& [mark, value] : fills) {
            for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
                text.replace(at, mark.size(), value);
            }
        }
        std::ofstream(config) << text;
    }
    const std::string log = folder_ + "/ser2net.log";
    const std::string pid_file = folder_ + "/ser2net.pid";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // In the foreground (-n), debug output to the log (-d), this configuration only (-c).
    std::vector<std::string> args{program, "-n", "-d", "-c", config, "-P", pid_file};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        std::filesystem::remove_all(folder_);
        throw std::runtime_error("cannot start ser2net");
    }

    // Ready when both accepters listen: at most 10 s, looked at every 10 ms.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(listening(rfc2217_port_) && listening(tcp_port_))) {
        int status = 0;
        const bool ended = waitpid(pid_, &status, WNOHANG) == pid_;
        if (ended || std::chrono::steady_clock::now() > deadline) {
            if (ended) pid_ = -1;
            const std::string output = read_file(log);
            stop();
            throw std::runtime_error(
                std::string(ended ? "ser2net ended" : "ser2net did not listen") +
                " within 10 s; its output: " + output);
        }
        static_cast<void>(poll(nullptr, 0, 10));
    }
}

ser2net_server::~ser2net_server() { stop(); }

void ser2net_server::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        // It ends at once on SIGTERM; should it not within 5 s, it is killed.
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {
            ended = waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended) static_cast<void>(poll(nullptr, 0, 10));
        }
        if (!ended) kill_now();
        pid_ = -1;
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        folder_.clear();
    }
}

std::string ser2net_server::rfc2217_target() const {
    return "rfc2217://127.0.0.1:" + std::to_string(rfc2217_port_);
}

std::string ser2net_server::tcp_target() const {
    return "tcp://127.0.0.1:" + std::to_string(tcp_port_);
}

void ser2net_server::kill_now() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

local_peer::local_peer(behaviour_fn behaviour, int receive_buffer) {
    listener_ = bound_socket(receive_buffer);
    port_ = port_of(listener_);
    if (::listen(listener_, 1) != 0 || pipe2(stop_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("listen failed");
    }
    thread_ = std::thread([this, behaviour = std::move(behaviour)] {
        if (!readable_before(listener_, stop_[0], 30000)) return;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) return;
        behaviour(connection, stop_[0]);
        ::close(connection);
    });
}

local_peer::~local_peer() {
    ::close(stop_[1]);
    thread_.join();
    ::close(stop_[0]);
    ::close(listener_);
}

bool readable_before(int fd, int stop, int bound_ms) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
    if (poll(fds, 2, bound_ms) <= 0) return false;
    return fds[1].revents == 0 && fds[0].revents != 0;
}

}  // namespace quillon::test
