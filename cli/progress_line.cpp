#include "cli/progress_line.h"

namespace quillon::cli {
namespace {

constexpr std::int64_t shown_after_ms = 1000;

// "0:03", "12:40", "1:02:05".
std::string clock_time(std::uint64_t seconds) {
    std::string text;
    const auto two_digits = [&](std::uint64_t n) {
        text += static_cast<char>('0' + n / 10);
        text += static_cast<char>('0' + n % 10);
    };
    if (seconds >= 3600) {
        text = std::to_string(seconds / 3600) + ":";
        two_digits(seconds / 60 % 60);
    } else {
        text = std::to_string(seconds / 60);
    }
    text += ':';
    two_digits(seconds % 60);
    return text;
}

}  // namespace

std::string progress_line::update(std::size_t done, std::int64_t done_at_ms, std::int64_t now_ms) {
    if (now_ms < shown_after_ms) return {};
    std::string line = "quillon-send: ";
    if (done == 0 || done_at_ms <= 0) {
        line += "sending " + std::to_string(total_) + " bytes, " +
                clock_time(static_cast<std::uint64_t>(now_ms) / 1000) + " so far";
    } else {
        const std::uint64_t rate = done * 1000 / static_cast<std::uint64_t>(done_at_ms);
        line += std::to_string(done) + " of " + std::to_string(total_) + " bytes sent (" +
                std::to_string(done * 100 / total_) + "%), " + std::to_string(rate) + " bytes/s";
        if (rate != 0) {
            const std::uint64_t then_ms = (total_ - done) * 1000 / rate;
            const auto since_ms = static_cast<std::uint64_t>(now_ms - done_at_ms);
            const std::uint64_t left_ms = then_ms > since_ms ? then_ms - since_ms : 0;
            line += ", " + clock_time((left_ms + 999) / 1000) + " left";
        }
    }
    const std::size_t width = line.size();
    if (width < width_) line.append(width_ - width, ' ');
    width_ = width;
    line.insert(line.begin(), '\r');
    return line;
}

std::string progress_line::clear() const {
    if (width_ == 0) return {};
    std::string blank(width_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    return blank;
}

}  // namespace quillon::cli
