// The words of a send's progress on a terminal: one line of standard error, rewritten in place
// and cleared at the end, from the moment the send has lasted a second:
//   "quillon-send: sending 204800 bytes, 0:05 so far"                 (before the port took any)
//   "quillon-send: 16384 of 204800 bytes sent (8%), 960 bytes/s, 3:16 left"
// The rate is that of the bytes the port has taken; the time left counts down from when it last
// took some. The clock is the caller's, so the words can be checked apart from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::cli {

class progress_line {
  public:
    explicit progress_line(std::size_t total) : total_(total) {}

    // What to write to the terminal at `now_ms` after the send began, when the port had taken
    // `done` bytes at `done_at_ms`: a carriage return and the line, padded over a longer one
    // before it; empty in the first second.
    std::string update(std::size_t done, std::int64_t done_at_ms, std::int64_t now_ms);

    // What leaves the terminal's line empty again: empty when nothing was shown.
    std::string clear() const;

  private:
    std::size_t total_;
    std::size_t width_ = 0;  // of the line on the terminal now
};

}  // namespace quillon::cli
