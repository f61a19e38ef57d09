// Replaces entries of the POSIX backend's system-call table for the life of the object, and
// puts the table back as it was afterwards. Fakes are plain functions over test globals.
#pragma once

#include "serial/network/sockets.h"
#include "serial/posix/system_calls.h"

namespace quillon::test {

class seam_override {
  public:
    seam_override() : saved_(serial::posix::syscalls()) {}
    ~seam_override() { serial::posix::syscalls() = saved_; }
    seam_override(const seam_override&) = delete;
    seam_override& operator=(const seam_override&) = delete;

    serial::posix::system_calls& calls() { return serial::posix::syscalls(); }
    static const serial::posix::system_calls& real() { return serial::posix::real_syscalls(); }

  private:
    serial::posix::system_calls saved_;
};

// The same for the network part's socket seam.
class socket_seam_override {
  public:
    socket_seam_override() : saved_(serial::network::sockets()) {}
    ~socket_seam_override() { serial::network::sockets() = saved_; }
    socket_seam_override(const socket_seam_override&) = delete;
    socket_seam_override& operator=(const socket_seam_override&) = delete;

    serial::network::socket_calls& calls() { return serial::network::sockets(); }
    static const serial::network::socket_calls& real() { return serial::network::real_sockets(); }

  private:
    serial::network::socket_calls saved_;
};

}  // namespace quillon::test
