// Small files on POSIX: O_NONBLOCK at the open, the kind and size from fstat on the descriptor
// read (not the path, which could change between a look and the open).
#include "options/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::options {
namespace {

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "something else";
}

std::string size_words(std::size_t limit) {
    return limit % 1024 == 0 ? limit % (1024 * 1024) == 0
                                   ? std::to_string(limit / (1024 * 1024)) + " MiB"
                                   : std::to_string(limit / 1024) + " KiB"
                             : std::to_string(limit) + " bytes";
}

small_file refused(std::string problem) { return {{}, std::move(problem)}; }

}  // namespace

small_file read_small_file(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return refused("cannot read " + path + ": " + std::strerror(errno));
    struct closer {
        int fd;
        ~closer() { static_cast<void>(::close(fd)); }
    } close_at_end{fd};
    struct stat look {};
    if (::fstat(fd, &look) != 0)
        return refused("cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(look.st_mode))
        return refused(path + " is " + kind_of(look.st_mode) + ", not a regular file");
    const std::string too_big = path + " is larger than " + size_words(limit);
    if (static_cast<std::size_t>(look.st_size) > limit) return refused(too_big);
    // One byte past the limit tells a file that grew since fstat.
    small_file result;
    result.text.resize(limit + 1);
    std::size_t got = 0;
    while (got < result.text.size()) {
        const ssize_t n = ::read(fd, result.text.data() + got, result.text.size() - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return refused("cannot read " + path + ": " + std::strerror(errno));
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) return refused(too_big);
    result.text.resize(got);
    return result;
}

}  // namespace quillon::options
