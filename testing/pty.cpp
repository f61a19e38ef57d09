#include "testing/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace quillon::test {

pseudo_terminal::pseudo_terminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    path_ = name;
}

pseudo_terminal::~pseudo_terminal() {
    close_master();
    if (slave_ >= 0) ::close(slave_);
}

termios pseudo_terminal::slave_termios() const {
    termios t{};
    if (tcgetattr(slave_, &t) != 0) throw std::runtime_error("tcgetattr on the slave failed");
    return t;
}

void pseudo_terminal::fill_until_full() {
    termios raw = slave_termios();
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    if (tcsetattr(slave_, TCSANOW, &raw) != 0) throw std::runtime_error("tcsetattr failed");
    const int filler = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    if (filler < 0) throw std::runtime_error("cannot open the slave to fill it");
    // Linux moves written bytes on to the master in the background, which makes room again for
    // a while: the buffer counts as full once several waits for room in a row find none.
    const std::string block(4096, 'f');
    int quiet_rounds = 0;
    for (int round = 0; round < 500 && quiet_rounds < 5; ++round) {
        bool wrote = false;
        while (::write(filler, block.data(), block.size()) > 0) wrote = true;
        quiet_rounds = wrote ? 0 : quiet_rounds + 1;
        pollfd room{filler, POLLOUT, 0};
        static_cast<void>(::poll(&room, 1, 10));
    }
    ::close(filler);
}

void pseudo_terminal::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

std::string pseudo_terminal::read_master(std::size_t count, std::chrono::milliseconds bound) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    // At least one look, also with a bound of zero: that reads what has arrived so far.
    while (bytes.size() < count) {
        const auto left =
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                       deadline - std::chrono::steady_clock::now())
                                       .count());
        pollfd ready{master_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left)) <= 0) {
            if (left == 0) break;
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

master_drain::master_drain(int master, bool keep) : master_(master), keep_(keep) {
    // Close-on-exec: a program a test starts later must not hold the stop pipe open.
    if (pipe2(stop_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    reader_ = std::thread([this] { run(); });
}

master_drain::~master_drain() {
    ::close(stop_[1]);
    reader_.join();
    ::close(stop_[0]);
}

void master_drain::run() {
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) {
            if (fds[0].revents != 0) return;  // hung up or closed
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) return;
        if (!keep_) continue;
        std::lock_guard lock(mutex_);
        bytes_.append(buffer, static_cast<std::size_t>(n));
        arrived_.notify_all();
    }
}

std::string master_drain::wait_for(std::size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, bound, [&] { return bytes_.size() >= count; });
    return bytes_;
}

port_guard::port_guard(const std::map<int, std::string>& mapped) {
    for (const auto& [name, value] : environment(mapped)) setenv(name.c_str(), value.c_str(), 1);
}

std::map<std::string, std::string> port_guard::environment(
    const std::map<int, std::string>& mapped) {
    std::map<std::string, std::string> variables;
    for (int n = 1; n <= 8; ++n) {
        const auto it = mapped.find(n);
        variables["QUILLON_COM" + std::to_string(n)] =
            it != mapped.end() ? it->second : missing_path(n);
    }
    return variables;
}

port_guard::~port_guard() {
    for (int n = 1; n <= 8; ++n) {
        setenv(("QUILLON_COM" + std::to_string(n)).c_str(), missing_path(n).c_str(), 1);
    }
}

std::string port_guard::missing_path(int port) {
    return "/nonexistent/quillon-test/COM" + std::to_string(port);
}

std::string all_byte_values() {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    return bytes;
}

std::string test_name(std::string_view what) {
    std::string name;
    for (char c : what) {
        const bool keep =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += keep ? c : '_';
    }
    return name;
}

int run_shell(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        if (output != nullptr) output->append(buffer, n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quillon::test
