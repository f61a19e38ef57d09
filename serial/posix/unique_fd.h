// A descriptor owned by one object: closed when the owner goes, unless released first.
// The close is never retried: on Linux the descriptor is gone even when close reports EINTR.
#pragma once

#include <utility>

#include "serial/posix/system_calls.h"

namespace quillon::serial::posix {

class unique_fd {
  public:
    explicit unique_fd(int fd = -1) noexcept : fd_(fd) {}
    ~unique_fd() {
        if (fd_ >= 0) static_cast<void>(syscalls().close(fd_));
    }
    unique_fd(unique_fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    unique_fd& operator=(unique_fd&& other) noexcept {
        unique_fd(std::move(other)).swap(*this);
        return *this;
    }
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;

    [[nodiscard]] int get() const noexcept { return fd_; }
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    void swap(unique_fd& other) noexcept { std::swap(fd_, other.fd_); }

  private:
    int fd_;
};

}  // namespace quillon::serial::posix
