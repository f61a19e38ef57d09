// Reading and replacing the ports files on POSIX without hanging, ballooning or losing a line.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "ports/platform.h"
#include "serial/descriptor.h"
#include "serial/write_all.h"

namespace quillon::ports::platform {
namespace {

namespace fs = std::filesystem;

// How long an edit waits for another edit of the same file to finish: each holds the lock for
// the few milliseconds of a read and a write, so only a stopped editor makes us give up.
constexpr int lock_wait_ms = 5000;

std::string because(int code) { return std::string(std::strerror(code)); }

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

std::string size_words(std::size_t limit) {
    return limit % (1024 * 1024) == 0 ? std::to_string(limit / (1024 * 1024)) + " MiB"
                                      : std::to_string(limit) + " bytes";
}

// O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever. Only a
// regular file is read, and never more than limit + 1 bytes (/dev/zero never ends).
file_text read_open(int fd, std::size_t limit) {
    file_text result;
    result.found = true;
    struct stat s {};
    if (fstat(fd, &s) != 0) {
        result.problem = "cannot be read (" + because(errno) + ")";
        return result;
    }
    if (!S_ISREG(s.st_mode)) {
        result.problem = "is " + kind_of(s.st_mode) + ", not a regular file";
        return result;
    }
    const std::string too_big = "is larger than " + size_words(limit);
    if (static_cast<std::size_t>(s.st_size) > limit) {
        result.problem = too_big;
        return result;
    }
    result.text.resize(limit + 1);
    std::size_t got = 0;
    while (got < result.text.size()) {
        const ssize_t n = ::read(fd, result.text.data() + got, result.text.size() - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            result.problem = "cannot be read (" + because(errno) + ")";
            result.text.clear();
            return result;
        }
        got += static_cast<std::size_t>(n);
    }
    result.text.resize(got);
    if (got > limit) {
        result.problem = too_big;
        result.text.clear();
    }
    return result;
}

// The file a path names in the end: a symbolic link is followed (to a target that may not exist
// yet), so that an edit replaces the file and leaves the link a link.
fs::path followed(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code failure;
        if (!fs::is_symlink(path, failure)) break;
        const fs::path target = fs::read_symlink(path, failure);
        if (failure) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

bool wait_for_lock(int fd) {
    for (int waited = 0;; waited += 10) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= lock_wait_ms) return false;
        static_cast<void>(poll(nullptr, 0, 10));
    }
}

// The new text in a fresh file beside the old one, on the disk, then renamed over it: a reader
// sees the old file or the new one, never half of one, and a crash leaves one of the two.
std::optional<std::string> write_beside(const fs::path& file, const std::string& text,
                                        const struct stat* old) {
    std::string name = file.string() + ".XXXXXX";
    serial::descriptor temporary(mkostemp(name.data(), O_CLOEXEC));
    if (!temporary) return "cannot write beside " + file.string() + ": " + because(errno);
    const auto fail = [&](const std::string& what) -> std::optional<std::string> {
        const int code = errno;
        static_cast<void>(unlink(name.c_str()));
        return "cannot " + what + " " + file.string() + ": " + because(code);
    };
    const mode_t mode = old != nullptr ? old->st_mode & 07777 : 0644;
    if (fchmod(temporary.get(), mode) != 0) return fail("write");
    if (old != nullptr && (old->st_uid != geteuid() || old->st_gid != getegid())) {
        // Only root can give the file back to its owner; anyone else keeps what they can. (A
        // cast to void does not silence warn_unused_result, which fortified builds add.)
        if (fchown(temporary.get(), old->st_uid, old->st_gid) != 0) {
        }
    }
    if (!serial::write_all(
            [fd = temporary.get()](const char* from, std::size_t count) {
                return ::write(fd, from, count);
            },
            text) ||
        fsync(temporary.get()) != 0)
        return fail("write");
    if (rename(name.c_str(), file.c_str()) != 0) return fail("replace");
    // The rename itself reaches the disk with the folder.
    serial::descriptor folder(open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) static_cast<void>(fsync(folder.get()));
    return std::nullopt;
}

}  // namespace

file_text read_small_file(const std::string& path, std::size_t limit) {
    serial::descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        file_text result;
        if (errno == ENOENT || errno == ENOTDIR) return result;
        result.found = true;
        result.problem = "cannot be read (" + because(errno) + ")";
        return result;
    }
    return read_open(fd.get(), limit);
}

std::optional<std::string> replace_file(const std::string& path, std::size_t limit,
                                        const text_edit& edit) {
    const fs::path file = followed(path);
    std::error_code failure;
    fs::create_directories(file.parent_path(), failure);
    if (failure) return "cannot make " + file.parent_path().string() + ": " + failure.message();

    // The lock lives in a file of its own: the ports file itself is replaced by each edit.
    const std::string lock_name = file.string() + ".lock";
    serial::descriptor lock(
        open(lock_name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (!lock) return "cannot lock " + file.string() + ": " + because(errno);
    if (!wait_for_lock(lock.get())) {
        return "cannot lock " + file.string() + ": another edit has held it for " +
               std::to_string(lock_wait_ms / 1000) + " s";
    }

    const file_text now = read_small_file(file.string(), limit);
    if (!now.problem.empty()) return file.string() + " " + now.problem + "; it was left as it is";
    std::string text;
    if (auto problem = edit(now, text)) return problem;

    struct stat old {};
    const bool had_file = now.found && stat(file.c_str(), &old) == 0;
    return write_beside(file, text, had_file ? &old : nullptr);
}

}  // namespace quillon::ports::platform
