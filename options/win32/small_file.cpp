// Small files on Windows: a path that is not a regular file (a directory, a device, a named
// pipe) is refused before it is opened; never more than the limit is read.
#include "options/small_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace quillon::options {

small_file read_small_file(const std::string& path, std::size_t limit) {
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (failure) return {{}, "cannot read " + path + ": " + failure.message()};
    if (!std::filesystem::is_regular_file(status)) return {{}, path + " is not a regular file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, "cannot read " + path};
    small_file result;
    result.text.resize(limit + 1);
    in.read(result.text.data(), static_cast<std::streamsize>(result.text.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > limit) return {{}, path + " is larger than " + std::to_string(limit) + " bytes"};
    if (in.bad()) return {{}, "cannot read " + path};
    result.text.resize(got);
    return result;
}

}  // namespace quillon::options
