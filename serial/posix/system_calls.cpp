#include "serial/posix/system_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillon::serial::posix {
namespace {

// Plain functions rather than the library's own symbols: open, ioctl and fcntl are variadic.
int real_open(const char* path, int flags) { return ::open(path, flags); }
int real_close(int fd) { return ::close(fd); }
ssize_t real_write(int fd, const void* bytes, std::size_t count) {
    return ::write(fd, bytes, count);
}
int real_ioctl(int fd, unsigned long request, void* argument) {
    return ::ioctl(fd, request, argument);
}
int real_tcgetattr(int fd, termios* state) { return ::tcgetattr(fd, state); }
int real_tcsetattr(int fd, int when, const termios* state) { return ::tcsetattr(fd, when, state); }
int real_flock(int fd, int operation) { return ::flock(fd, operation); }
int real_fcntl(int fd, int command, int argument) { return ::fcntl(fd, command, argument); }
int real_poll(pollfd* fds, nfds_t count, int timeout_ms) { return ::poll(fds, count, timeout_ms); }
int real_fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int real_stat(const char* path, struct stat* info) { return ::stat(path, info); }
int real_clock_gettime(clockid_t clock, timespec* now) { return ::clock_gettime(clock, now); }

constexpr system_calls real_table{real_open,      real_close,     real_write, real_ioctl,
                                  real_tcgetattr, real_tcsetattr, real_flock, real_fcntl,
                                  real_poll,      real_fstat,     real_stat,  real_clock_gettime};

}  // namespace

system_calls& syscalls() noexcept {
    static system_calls table = real_table;
    return table;
}

const system_calls& real_syscalls() noexcept { return real_table; }

}  // namespace quillon::serial::posix
