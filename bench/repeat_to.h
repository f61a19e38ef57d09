// Benchmark inputs: a unit of text repeated to an exact size.
#pragma once

#include <cstddef>
#include <string>

inline std::string repeat_to(const std::string& unit, std::size_t size) {
    std::string s;
    s.reserve(size + unit.size());
    while (s.size() < size) s += unit;
    s.resize(size);
    return s;
}
