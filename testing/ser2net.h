// The real ser2net, started by a test on 127.0.0.1 with a pseudo-terminal as its device, and a
// tiny TCP peer for what no real server shows (one that never answers, never reads).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <thread>

namespace quillon::test {

// Why ser2net cannot be run here (not installed), or empty when it can.
std::string ser2net_missing();

// A port of 127.0.0.1 that nothing listens on at the moment of the call.
int free_local_port();

// ser2net serving one device on two accepters of 127.0.0.1: telnet with COM-PORT-OPTION
// (rfc2217) and raw tcp, each on a free port, its device line set to 9600n81. Ready (both
// ports listening) when the constructor returns; throws std::runtime_error with ser2net's own
// output when it does not get there within 10 s. The destructor ends it by its pid.
class ser2net_server {
  public:
    explicit ser2net_server(const std::string& device);
    ~ser2net_server();
    ser2net_server(const ser2net_server&) = delete;
    ser2net_server& operator=(const ser2net_server&) = delete;

    std::string rfc2217_target() const;  // rfc2217://127.0.0.1:PORT
    std::string tcp_target() const;      // tcp://127.0.0.1:PORT
    pid_t pid() const { return pid_; }
    // SIGKILL and wait for it: a server gone without closing anything in order.
    void kill_now();

  private:
    void stop();
    std::string folder_;
    int rfc2217_port_ = 0;
    int tcp_port_ = 0;
    pid_t pid_ = -1;
};

// A listener on 127.0.0.1 that accepts one connection and hands it to behaviour on a thread of
// its own. behaviour gets the connection and a descriptor that becomes readable when the peer
// is to stop; it must not return before either happens. The listening socket keeps the given
// receive buffer size (0: the system's), which an accepted connection inherits.
class local_peer {
  public:
    using behaviour_fn = std::function<void(int connection, int stop)>;
    explicit local_peer(behaviour_fn behaviour, int receive_buffer = 0);
    ~local_peer();
    local_peer(const local_peer&) = delete;
    local_peer& operator=(const local_peer&) = delete;

    int port() const { return port_; }

  private:
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
};

// Waits until fd is readable or stop is, within the bound; true when fd is.
bool readable_before(int fd, int stop, int bound_ms);

}  // namespace quillon::test
