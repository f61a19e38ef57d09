// A file holding a secret (a password): read only when nobody but its owner may read or write
// it, as ssh does for a private key. Another user able to read it has the secret already.
#pragma once

#include <cstddef>
#include <string>

namespace quillon::bridge {

// A password is a line: a file longer than this is not one.
inline constexpr std::size_t private_file_limit = 65536;

struct private_file {
    std::string text;     // the first line, without its line break
    std::string problem;  // why it was refused or could not be read; empty when read
};

// Read as every file is (options/small_file.h: a regular file, opened without blocking, a size
// cap), and refused unless it belongs to this user and only its owner may use it.
private_file read_private_file(const std::string& path);

}  // namespace quillon::bridge
