// Who holds a lock, from the kernel's own table of locks (Linux /proc/locks): a lock cannot be
// planted there, it is listed for as long as it is held and no longer, and it names every
// program that holds a port with flock, ours (quillon-send, the window, the bridge, a display's
// registration) and others (picocom, ser2net) alike. Nothing is written on the way to a port.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "ports/platform.h"

namespace quillon::ports::platform {
namespace {

// Bigger than the lock table of any machine that sends to a display; a bigger one is not read.
constexpr std::size_t locks_limit = 1024 * 1024;

// The device as /proc/locks names the file locked: "MAJOR:MINOR:INODE", the file system's
// device in hex (as fs/locks.c prints it), the inode in decimal.
std::string lock_key(const struct stat& s) {
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%llu", major(s.st_dev), minor(s.st_dev),
                  static_cast<unsigned long long>(s.st_ino));
    return key;
}

// The name a process gives itself (at most 15 bytes), without its line break; shown in a
// message, so only printable ASCII is kept.
std::string program_name(long pid) {
    const file_text comm = read_small_file("/proc/" + std::to_string(pid) + "/comm", 64);
    std::string name;
    for (const char c : comm.text) {
        if (c > ' ' && c < 0x7f) name.push_back(c);
    }
    return name;
}

}  // namespace

std::optional<lock_holder> lock_holder_of(const std::string& path) {
    struct stat s {};
    if (stat(path.c_str(), &s) != 0) return std::nullopt;
    const file_text locks = read_small_file("/proc/locks", locks_limit);
    if (!locks.problem.empty()) return std::nullopt;
    const std::string key = lock_key(s);
    // "1: FLOCK  ADVISORY  WRITE 4211 00:19:3 0 EOF"; a waiter's line has "->" after the number.
    std::istringstream lines(locks.text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(words >> number >> kind >> mode >> access >> pid >> file)) continue;
        // A holder in another pid namespace is listed with the pid 0: it cannot be named.
        if (kind != "FLOCK" || access != "WRITE" || file != key || pid <= 0) continue;
        return lock_holder{pid, program_name(pid)};
    }
    return std::nullopt;
}

}  // namespace quillon::ports::platform
