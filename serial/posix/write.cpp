// The one synchronous write: every byte taken by the driver, or a failure.
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>

#include "serial/posix/port.h"
#include "serial/posix/system_calls.h"

namespace quillon::serial::backend {
namespace {

// A write to a pipe or FIFO whose reader has gone raises SIGPIPE, whose default action ends
// the process. A library must not change the process's handlers, so SIGPIPE is blocked in
// this thread for the write; one it raised is taken off the pending set before the old mask
// comes back, so the write reports EPIPE and nothing else happens.
class sigpipe_guard {
  public:
    sigpipe_guard() noexcept {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        already_pending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_mask_);
    }
    sigpipe_guard(const sigpipe_guard&) = delete;
    sigpipe_guard& operator=(const sigpipe_guard&) = delete;
    ~sigpipe_guard() {
        if (raised_ && !already_pending_) {
            const timespec no_wait{};
            while (sigtimedwait(&pipe_, nullptr, &no_wait) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
    }
    void note_epipe() noexcept { raised_ = true; }

  private:
    sigset_t pipe_{};
    sigset_t old_mask_{};
    bool already_pending_ = false;
    bool raised_ = false;
};

}  // namespace

int write_all(port& p, std::span<const char> bytes) {
    if (p.fd < 0) return EBADF;
    const auto& sys = posix::syscalls();
    sigpipe_guard guard;
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
            // Someone set O_NONBLOCK on the shared open file: wait until the driver has room.
            pollfd waiting{p.fd, POLLOUT, 0};
            if (sys.poll(&waiting, 1, -1) < 0 && errno != EINTR) return errno;
            continue;
        }
        if (native == EPIPE) guard.note_epipe();
        return native;
    } while (done < bytes.size());
    return 0;
}

}  // namespace quillon::serial::backend
