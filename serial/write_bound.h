// How long one write may take, for every writer (a device on POSIX or Windows, a network
// target): ten bit times per byte (start, eight data bits, stop) at the line rate, plus two
// seconds for the driver and the far end. A line draining at its rate never reaches it; a pty
// nobody reads, a wedged adapter or a stalled server does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::serial {

// Taken when the rate is not known: the slowest rate termios knows, never too short a bound.
inline constexpr std::uint32_t slowest_rate = 50;
inline constexpr std::int64_t write_slack_ms = 2000;
inline constexpr std::int64_t bit_times_per_byte = 10;

constexpr std::int64_t write_bound_ms(std::size_t count, std::uint32_t rate) {
    if (rate == 0) rate = slowest_rate;
    return static_cast<std::int64_t>(count) * bit_times_per_byte * 1000 / rate + write_slack_ms;
}

// The same bound as a per-byte part (rounded up) and a constant part, for a driver that takes
// a write time-out in that form.
constexpr std::uint32_t write_bound_ms_per_byte(std::uint32_t rate) {
    if (rate == 0) rate = slowest_rate;
    return static_cast<std::uint32_t>((bit_times_per_byte * 1000 + rate - 1) / rate);
}

}  // namespace quillon::serial
