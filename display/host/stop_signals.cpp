#include "display/host/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace quillon::display {
namespace {

constexpr std::array<int, 3> stopping{SIGINT, SIGTERM, SIGHUP};

std::atomic<int> write_end{-1};
std::array<struct sigaction, 3> previous{};

// Only async-signal-safe calls here: one write of one byte, errno kept for the code it
// interrupted.
extern "C" void on_stop_signal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a stop. (A cast to void does not silence warn_unused_result,
    // which fortified builds add.)
    if (::write(write_end.load(), &byte, 1) < 0) {
    }
    errno = saved;
}

}  // namespace

stop_signals::stop_signals() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    write_end.store(pipe_[1]);
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < stopping.size(); ++i) {
        static_cast<void>(sigaction(stopping[i], &action, &previous[i]));
    }
}

stop_signals::~stop_signals() {
    if (pipe_[0] < 0) return;
    for (std::size_t i = 0; i < stopping.size(); ++i) {
        static_cast<void>(sigaction(stopping[i], &previous[i], nullptr));
    }
    write_end.store(-1);
    close(pipe_[0]);
    close(pipe_[1]);
}

}  // namespace quillon::display
