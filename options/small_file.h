// A whole small text file, read the way every settings file, password file and certificate of
// Quillon is read: only a regular file, opened without ever blocking (a FIFO would wait for a
// writer for ever, and a signal could not end the wait), and never more than a limit (/dev/zero
// never ends). One implementation a platform (options/posix/, options/win32/), chosen at
// configure time.
#pragma once

#include <cstddef>
#include <string>

namespace quillon::options {

// Settings files, and the files a setting names: far below a megabyte when written by hand.
inline constexpr std::size_t small_file_limit = 1024 * 1024;

struct small_file {
    std::string text;
    // Why it was not read, starting with the path: "/x is a FIFO, not a regular file",
    // "/x is larger than 1 MiB", "cannot read /x: No such file or directory"; empty when read.
    std::string problem;
};

small_file read_small_file(const std::string& path, std::size_t limit = small_file_limit);

}  // namespace quillon::options
