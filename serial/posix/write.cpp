// The one synchronous write: every byte taken by the driver, or a failure, within a bound.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <stop_token>

#include "serial/descriptor.h"
#include "serial/posix/port.h"
#include "serial/posix/system_calls.h"
#include "serial/write_bound.h"

namespace quillon::serial::backend {
namespace {

std::int64_t bound_ms(const port& p, std::size_t count) {
    return write_bound_ms(count, output_rate(p.terminal));
}

std::int64_t now_ms() {
    timespec now{};
    static_cast<void>(posix::syscalls().clock_gettime(CLOCK_MONOTONIC, &now));
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The bytes that will never go are discarded: a tty's close otherwise waits for its output to
// drain, up to the driver's closing_wait (30 s by default on a UART).
int give_up(const port& p) {
    static_cast<void>(posix::syscalls().ioctl(p.fd, TCFLSH, reinterpret_cast<void*>(TCOFLUSH)));
    return ETIMEDOUT;
}

}  // namespace

int write_all(port& p, std::span<const char> bytes, std::stop_token cancel) {
    if (p.fd < 0) return EBADF;
    const auto& sys = posix::syscalls();
    // No signal mask is changed around the write: only terminals are opened (open_exclusive
    // refuses FIFOs, sockets and files), and a terminal reports a hang-up as EIO, never with
    // SIGPIPE. Blocking SIGPIPE cost three system calls on every write before the first byte,
    // on the bridge's path from a message to the display.
    // Made at the first wait for room, and only when the write can be cancelled: the request
    // wakes the poll through it. The callback is gone before the descriptor is closed.
    serial::descriptor wake;
    std::optional<std::stop_callback<std::function<void()>>> on_cancel;
    const std::int64_t deadline = now_ms() + bound_ms(p, bytes.size());
    std::size_t done = 0;
    // An empty string is still one write, of zero bytes.
    do {
        const ssize_t n = sys.write(p.fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            if (bytes.empty()) break;
            return EIO;  // a driver that takes nothing and reports nothing would loop for ever
        }
        const int native = errno;
        if (native == EINTR) continue;
        if (native == EAGAIN || native == EWOULDBLOCK) {
            // The descriptor is non-blocking: wait for room, but not past the deadline.
            const std::int64_t left = deadline - now_ms();
            if (left <= 0) return give_up(p);
            if (cancel.stop_possible() && !wake) {
                wake = serial::descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
                const int fd = wake.get();
                on_cancel.emplace(cancel, std::function<void()>([fd] {
                                      const std::uint64_t one = 1;
                                      if (::write(fd, &one, sizeof one) < 0) {
                                      }  // a counter at its top still wakes the poll
                                  }));
            }
            if (cancel.stop_requested()) {
                give_up(p);
                return ECANCELED;
            }
            pollfd waiting[2] = {{p.fd, POLLOUT, 0}, {wake.get(), POLLIN, 0}};
            const int timeout = left > 60000 ? 60000 : static_cast<int>(left);
            if (sys.poll(waiting, wake ? 2 : 1, timeout) < 0 && errno != EINTR) return errno;
            continue;
        }
        return native;
    } while (done < bytes.size());
    return 0;
}

}  // namespace quillon::serial::backend
