#include "cli/send_progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "cli/progress_line.h"
#include "cli/stream_output.h"
#include "ports/port_control.h"
#include "serial/write_bound.h"

namespace quillon::cli {
namespace {

// See send_progress.h: more than any local driver holds, less 2 s of the slowest line's time.
constexpr std::size_t piece = 16 * 1024;

using clock = std::chrono::steady_clock;

std::int64_t ms_since(clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count();
}

// Redraws the progress line four times a second until it is destroyed, then clears it.
class progress_display {
  public:
    explicit progress_display(std::size_t total)
        : line_(total), start_(clock::now()), drawer_([this] { draw(); }) {}
    ~progress_display() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        woken_.notify_one();
        drawer_.join();
        // The progress is a courtesy: a terminal that takes it badly changes nothing.
        static_cast<void>(write_all(STDERR_FILENO, line_.clear()));
    }
    progress_display(const progress_display&) = delete;
    progress_display& operator=(const progress_display&) = delete;

    clock::time_point start() const { return start_; }

    void taken(std::size_t done) {
        const std::lock_guard lock(mutex_);
        done_ = done;
        done_at_ms_ = ms_since(start_);
    }

  private:
    void draw() {
        std::unique_lock lock(mutex_);
        while (
            !woken_.wait_for(lock, std::chrono::milliseconds(250), [this] { return finished_; })) {
            const std::string text = line_.update(done_, done_at_ms_, ms_since(start_));
            static_cast<void>(write_all(STDERR_FILENO, text));
        }
    }

    progress_line line_;
    clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool finished_ = false;
    std::size_t done_ = 0;
    std::int64_t done_at_ms_ = 0;
    std::thread drawer_;  // last: it uses everything above
};

}  // namespace

serial::error send_bytes_showing_progress(std::string_view bytes, int baud, bool may_show) {
    if (!may_show || bytes.size() <= piece || isatty(STDERR_FILENO) != 1) {
        return ports::send_bytes(bytes);
    }
    const std::int64_t bound_ms =
        serial::write_bound_ms(bytes.size(), static_cast<std::uint32_t>(baud));
    progress_display display(bytes.size());
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t count = std::min(piece, bytes.size() - done);
        if (const serial::error failure = ports::send_bytes(bytes.substr(done, count))) {
            return failure;
        }
        done += count;
        display.taken(done);
        if (done < bytes.size() && ms_since(display.start()) > bound_ms) {
            return {.number = serial::error_number::write_failed,
                    .kind = serial::error_kind::timed_out};
        }
    }
    return {};
}

}  // namespace quillon::cli
