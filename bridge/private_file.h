// A file holding a secret (a password): read only when nobody but its owner may read or write
// it, as ssh does for a private key. Another user able to read it has the secret already.
#pragma once

#include <string>

namespace quillon::bridge {

struct private_file {
    std::string text;     // the first line, without its line break
    std::string problem;  // why it was refused or could not be read; empty when read
};

private_file read_private_file(const std::string& path);

}  // namespace quillon::bridge
