#include "bridge/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::bridge {

private_file read_private_file(const std::string& path) {
    private_file result;
    // Checked on the open descriptor (fstat), not the path, so the file checked is the file read;
    // O_NONBLOCK, so that a FIFO is refused instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        result.problem = "cannot read " + path + ": " + std::strerror(errno);
        return result;
    }
    struct stat look {};
    if (::fstat(fd, &look) != 0 || !S_ISREG(look.st_mode)) {
        result.problem = path + " is not a regular file";
    } else if (static_cast<std::size_t>(look.st_size) > private_file_limit) {
        result.problem = path + " is larger than " + std::to_string(private_file_limit) + " bytes";
    } else if ((look.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        result.problem =
            path + " may be read or changed by others (mode " +
            std::to_string((look.st_mode >> 6) & 7) + std::to_string((look.st_mode >> 3) & 7) +
            std::to_string(look.st_mode & 7) + "); allow only its owner: chmod 600 " + path;
    } else if (look.st_uid != ::geteuid()) {
        result.problem = path + " belongs to another user";
    } else {
        char buffer[4096];
        std::string text;
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < private_file_limit) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        if (got < 0) result.problem = "cannot read " + path + ": " + std::strerror(errno);
        result.text = text.substr(0, text.find_first_of("\r\n"));
    }
    static_cast<void>(::close(fd));
    return result;
}

}  // namespace quillon::bridge
