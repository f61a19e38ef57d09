// Every system call of the POSIX backend goes through this table, so that a test can make
// write return EINTR or a short count, or have tcsetattr "succeed" without applying, and
// prove what the backend does then. It defaults to the real calls; the clock is here too, so
// that a test can let a write's time run out without waiting for it.
#pragma once

#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <ctime>

namespace quillon::serial::posix {

struct system_calls {
    int (*open)(const char* path, int flags);
    int (*close)(int fd);
    ssize_t (*write)(int fd, const void* bytes, std::size_t count);
    int (*ioctl)(int fd, unsigned long request, void* argument);
    int (*tcgetattr)(int fd, termios* state);
    int (*tcsetattr)(int fd, int when, const termios* state);
    int (*flock)(int fd, int operation);
    int (*fcntl)(int fd, int command, int argument);
    int (*poll)(pollfd* fds, nfds_t count, int timeout_ms);
    int (*fstat)(int fd, struct stat* info);
    int (*stat)(const char* path, struct stat* info);
    int (*clock_gettime)(clockid_t clock, timespec* now);
};

// The table in use. Tests swap entries and restore them; nothing else changes it.
system_calls& syscalls() noexcept;
const system_calls& real_syscalls() noexcept;

}  // namespace quillon::serial::posix
