// A descriptor owned by one object, for POSIX code above the serial backend (the ports files,
// registrations, the display's pseudo-terminal): closed when the owner goes. The close is never
// retried: on Linux the descriptor is gone even when close reports EINTR. The backend's own
// (serial/posix/unique_fd.h) closes through the system-call seam instead, for its tests.
#pragma once

#include <unistd.h>

#include <utility>

namespace quillon::serial {

class descriptor {
  public:
    explicit descriptor(int fd = -1) noexcept : fd_(fd) {}
    ~descriptor() {
        if (fd_ >= 0) static_cast<void>(::close(fd_));
    }
    descriptor(descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    descriptor& operator=(descriptor&& other) noexcept {
        descriptor(std::move(other)).swap(*this);
        return *this;
    }
    void swap(descriptor& other) noexcept { std::swap(fd_, other.fd_); }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;

    [[nodiscard]] int get() const noexcept { return fd_; }
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }
    explicit operator bool() const noexcept { return fd_ >= 0; }

  private:
    int fd_;
};

}  // namespace quillon::serial
