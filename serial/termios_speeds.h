// The termios speed constants and the rates they stand for: one table for every program that
// sets or reads a terminal's speed (the serial backend, the virtual display's host). POSIX only.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace quillon::serial {

// The rate of a speed constant in bits per second; 0 for B0 or a constant the table lacks.
std::uint32_t termios_rate(speed_t constant);

// The speed constant of a rate; none when termios has no constant for it.
std::optional<speed_t> termios_speed(std::uint32_t rate);

}  // namespace quillon::serial
