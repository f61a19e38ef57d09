// A pseudo-terminal standing in for a serial port: the slave's path is handed to the library as
// a COM port, the test reads what arrives on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace quillon::ui::testing {

class pty_port {
  public:
    pty_port() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        path_ = name;
        // One slave descriptor stays open so the master never sees a hang-up between sends.
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~pty_port() {
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }
    pty_port(const pty_port&) = delete;
    pty_port& operator=(const pty_port&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }

    // Maps COMport to this terminal for the library.
    void map_as(int port) const {
        setenv(("QUILLON_COM" + std::to_string(port)).c_str(), path_.c_str(), 1);
    }

    // Reads until `count` bytes arrived or the bound passed; returns what came.
    std::string read(std::size_t count, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) break;
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // Whatever has arrived by now, without waiting.
    std::string pending() { return read(std::size_t{1} << 20, std::chrono::milliseconds(0)); }

    speed_t speed() const {
        termios settings{};
        tcgetattr(slave_, &settings);
        return cfgetospeed(&settings);
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace quillon::ui::testing
