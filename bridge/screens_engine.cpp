#include "bridge/screens_engine.h"

#include <algorithm>

namespace quillon::bridge {
namespace {

using clock = std::chrono::steady_clock;

// A failed frame is tried again after this long (the port is reopened at each try).
constexpr auto retry_after = std::chrono::seconds(5);
// The state is published at most this often while the line is busy; the last one always.
constexpr auto state_spacing = std::chrono::milliseconds(200);

}  // namespace

screens_engine::screens_engine(const screens::display_kind& kind,
                               screens::scheduler_settings settings, int baud, line_access line)
    : screens_(kind, settings), line_(std::move(line)), baud_(baud), thread_([this] { run(); }) {}

void screens_engine::line_took(std::size_t bytes, clock::time_point at) {
    const auto sending = std::chrono::microseconds(static_cast<long long>(bytes) * 10 * 1'000'000 /
                                                   std::max(baud_, 1));
    line_free_at_ = std::max(line_free_at_, at) + sending;
}

screens_engine::~screens_engine() { stop(); }

void screens_engine::request_stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
}

void screens_engine::stop() {
    request_stop();
    if (thread_.joinable()) thread_.join();
}

void screens_engine::repaint() {
    {
        const std::lock_guard lock(mutex_);
        changed_ = true;
    }
    poke();
}

std::string screens_engine::request(
    const std::function<std::string(screens::display_screens&, screens::moment)>& change) {
    std::string problem;
    {
        const std::lock_guard lock(mutex_);
        problem = change(screens_, screens::moment::now());
        changed_ = true;
    }
    poke();
    return problem;
}

std::string screens_engine::load(std::string_view text, std::string_view file_name) {
    return request([&](screens::display_screens& d, screens::moment now) {
        return d.load(text, file_name, now);
    });
}

std::set<std::string, std::less<>> screens_engine::topics() const {
    const std::lock_guard lock(mutex_);
    return screens_.topics();
}

void screens_engine::value(const std::string& topic, std::string payload) {
    {
        const std::lock_guard lock(mutex_);
        if (!screens_.value(topic, std::move(payload))) return;
        changed_ = true;
    }
    poke();
}

std::string screens_engine::alert(std::string_view payload) {
    return request(
        [&](screens::display_screens& d, screens::moment now) { return d.alert(payload, now); });
}

std::string screens_engine::show_screen(std::string_view name) {
    return request(
        [&](screens::display_screens& d, screens::moment now) { return d.show_screen(name, now); });
}

std::string screens_engine::set_line(int line, std::string_view text) {
    return request([&](screens::display_screens& d, screens::moment now) {
        return d.set_line(line, text, now);
    });
}

void screens_engine::set_backlight(bool on) {
    request([&](screens::display_screens& d, screens::moment) {
        d.set_backlight(on);
        return std::string();
    });
}

void screens_engine::republish_state() {
    {
        const std::lock_guard lock(mutex_);
        state_due_ = true;
        state_published_ = {};
        changed_ = true;  // wakes the thread; a frame with nothing new sends nothing
    }
    poke();
}

void screens_engine::poke() { wake_.notify_one(); }

std::optional<std::string> screens_engine::write_message(std::string_view bytes) {
    const std::lock_guard line(line_mutex_);
    const auto started = clock::now();
    std::optional<std::string> failure = line_.write(bytes);
    {
        const std::lock_guard lock(mutex_);
        line_took(bytes.size(), started);
        // What a failed write left on the module is unknown: the next frame starts afresh.
        if (failure) {
            screens_.forget();
        } else {
            screens_.foreign(bytes, screens::moment::now());
        }
        changed_ = true;
        state_due_ = true;
    }
    poke();
    return failure;
}

void screens_engine::run() {
    for (;;) {
        std::unique_lock line(line_mutex_);
        std::unique_lock lock(mutex_);
        if (stopping_) return;
        const auto now = screens::moment::now();
        const bool retry_due = retry_at_ && now.steady >= *retry_at_;
        const auto next = screens_.next_change();
        const bool due = changed_ || retry_due || (next && now.steady >= *next);
        const bool line_busy = now.steady < line_free_at_;
        if (due && !line_busy) {
            changed_ = false;
            retry_at_.reset();
            if (const std::uint64_t opens = line_.opens(); opens != opens_seen_) {
                opens_seen_ = opens;
                screens_.forget();
            }
            const std::string bytes = screens_.frame(now);
            if (!bytes.empty()) {
                lock.unlock();
                const std::optional<std::string> failure = line_.write(bytes);
                lock.lock();
                line_took(bytes.size(), now.steady);
                if (failure) {
                    screens_.forget();
                    retry_at_ = clock::now() + retry_after;
                }
            }
            state_due_ = true;  // what shows may have changed without a byte (a screen taken away)
        }
        line.unlock();
        if (state_due_ && clock::now() - state_published_ >= state_spacing) {
            state_due_ = false;
            state_published_ = clock::now();
            const std::string state = screens_.state_json();
            lock.unlock();
            line_.publish_state(state);
            lock.lock();
            if (stopping_) return;
        }
        // Until something changes, the next change by time, a retry or the state's turn; while
        // the line is busy with a change waiting, until it is free.
        const bool waiting_for_line = due && line_busy;
        std::optional<clock::time_point> until =
            waiting_for_line ? std::optional(line_free_at_) : screens_.next_change();
        if (retry_at_ && !waiting_for_line)
            until = until ? std::min(*until, *retry_at_) : *retry_at_;
        if (state_due_) {
            const auto turn = state_published_ + state_spacing;
            until = until ? std::min(*until, turn) : turn;
        }
        const auto woken = [&] { return stopping_ || (changed_ && !waiting_for_line); };
        if (until) {
            wake_.wait_until(lock, *until, woken);
        } else {
            wake_.wait(lock, woken);
        }
    }
}

}  // namespace quillon::bridge
