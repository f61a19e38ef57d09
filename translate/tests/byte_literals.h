// Test helpers: byte strings written as decimal values, and printed the same way on failure.
#pragma once

#include <initializer_list>
#include <string>

namespace quillon::test {

inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

inline std::string decimal(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out += ' ';
        out += std::to_string(c);
    }
    return out;
}

}  // namespace quillon::test
