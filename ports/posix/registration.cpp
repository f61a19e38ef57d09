// Registrations on POSIX: a private folder, a file per port, a lock that proves the display
// that wrote it is alive, and a lock per port that keeps a second display off the port.
#include "ports/registration.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "ports/names.h"
#include "ports/platform.h"
#include "serial/descriptor.h"

namespace quillon::ports {
namespace {

// Unix98 pseudo-terminal slaves have the majors 136 to 143 (Linux devices.txt).
constexpr unsigned first_pty_major = 136;
constexpr unsigned last_pty_major = 143;

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why the folder cannot hold this user's registrations; empty when it is a directory (not a
// link to one) of the user's own that no one else can enter.
std::string private_folder_problem(const std::string& path) {
    struct stat s {};
    if (lstat(path.c_str(), &s) != 0) return path + ": " + std::strerror(errno);
    if (S_ISLNK(s.st_mode)) return path + " is a symbolic link, not a folder of this user's";
    if (!S_ISDIR(s.st_mode)) return path + " is not a folder";
    if (s.st_uid != getuid()) {
        return path + " belongs to uid " + std::to_string(s.st_uid) + ", not to this user";
    }
    if ((s.st_mode & 077) != 0) {
        return path + " is open to other users (mode " + octal(s.st_mode) + ")";
    }
    return {};
}

std::string absolute_variable(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : fallback;
}

// Made with mode 0700 when asked, then judged by what lstat finds, whoever made it.
registration_folder checked(std::string path, bool make) {
    if (make && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return {path, "cannot make " + path + ": " + std::strerror(errno)};
    }
    struct stat s {};
    const bool missing = lstat(path.c_str(), &s) != 0 && errno == ENOENT;
    std::string problem = private_folder_problem(path);
    return {std::move(path), std::move(problem), missing};
}

// Makes a folder (and those above it) only inside a folder of the user's own: root with a
// user's HOME must leave no folder of root's in the user's home.
bool made_inside_own(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::path existing = folder;
    while (!fs::exists(existing, failure) && existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    struct stat s {};
    if (stat(existing.c_str(), &s) != 0 || s.st_uid != getuid()) return false;
    fs::create_directories(folder, failure);
    return !failure;
}

// The file whose lock is a display's claim on the port: in
// ${XDG_CONFIG_HOME:-~/.config}/quillon/display-locks, which does not change with the runtime
// folder, when that folder is the user's own and private; else beside the registrations.
std::string port_lock_file(const registration_folder& registrations, int port) {
    if (const auto config = platform::user_config_folder()) {
        const std::string quillon = *config + "/quillon";
        const std::string locks = quillon + "/display-locks";
        if (made_inside_own(quillon) && (mkdir(locks.c_str(), 0700) == 0 || errno == EEXIST) &&
            private_folder_problem(locks).empty()) {
            return locks + "/" + port_name(port);
        }
    }
    return registrations.path + "/" + port_name(port) + ".lock";
}

// Who holds a lock, for a refusal: "quillon-display, pid 4211", or the lock's file.
std::string holder_words(const std::string& lock_file) {
    const auto holder = platform::lock_holder_of(lock_file);
    if (!holder) return lock_file;
    const std::string pid = "pid " + std::to_string(holder->pid);
    return holder->program.empty() ? pid : holder->program + ", " + pid;
}

std::string file_for(const registration_folder& folder, int port) {
    return folder.path + "/" + port_name(port);
}

bool same_file(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// A pseudo-terminal slave of this user's: what a display serves, and nothing else.
bool is_users_pty(const std::string& path) {
    struct stat s {};
    if (stat(path.c_str(), &s) != 0 || !S_ISCHR(s.st_mode) || s.st_uid != getuid()) return false;
    return major(s.st_rdev) >= first_pty_major && major(s.st_rdev) <= last_pty_major;
}

std::string read_up_to(int fd, std::size_t limit) {
    std::string text(limit + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

// Whether a live display holds the registration: it holds an exclusive lock on it. A sender's
// brief shared lock is no hold, and does not keep a shared lock from being had.
bool held_by_display(const std::string& file) {
    serial::descriptor fd(open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return fd && flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace

registration_folder displays_folder(bool make) {
    // XDG_RUNTIME_DIR is made by the login for this user alone; it counts only when it is.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && private_folder_problem(runtime).empty()) {
        return checked(std::string(runtime) + "/quillon-displays", make);
    }
    const std::string base =
        absolute_variable("TMPDIR", "/tmp") + "/quillon-" + std::to_string(getuid());
    registration_folder folder = checked(base, make);
    if (!folder.problem.empty()) return folder;
    return checked(base + "/displays", make);
}

std::string displays_folder_problem() {
    const registration_folder folder = displays_folder(false);
    return folder.missing ? std::string() : folder.problem;
}

std::optional<registered_display> running_display(int port) {
    const registration_folder folder = displays_folder(false);
    if (!folder.problem.empty()) return std::nullopt;
    const std::string file = file_for(folder, port);
    serial::descriptor fd(
        open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    struct stat s {};
    if (fstat(fd.get(), &s) != 0 || !S_ISREG(s.st_mode) || s.st_uid != getuid() ||
        (s.st_mode & 022) != 0 || static_cast<std::size_t>(s.st_size) > registration_limit) {
        return std::nullopt;
    }
    // A shared lock that can be had means no display holds the file: it is stale.
    if (flock(fd.get(), LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) return std::nullopt;
    const std::string text = read_up_to(fd.get(), registration_limit);
    if (text.size() > registration_limit) return std::nullopt;
    std::optional<std::string> target = registered_path(text);
    if (!target || !is_users_pty(*target)) return std::nullopt;
    return registered_display{std::move(*target), file};
}

std::optional<display_claim> display_claim::make(int port, const std::string& pty_path,
                                                 std::string& why) {
    const registration_folder folder = displays_folder(true);
    if (!folder.problem.empty()) {
        why = "cannot register " + port_name(port) + ": " + folder.problem +
              "; it is neither read nor written (set XDG_RUNTIME_DIR to a private folder)";
        return std::nullopt;
    }
    const std::string file = file_for(folder, port);
    // The port's lock first, whichever runtime folder this display uses: one port, one display.
    const std::string lock_file = port_lock_file(folder, port);
    serial::descriptor lock(open(lock_file.c_str(),
                                 O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                                 0600));
    struct stat held {};
    if (!lock || fstat(lock.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
        held.st_uid != getuid() || held.st_nlink != 1) {
        why = "cannot lock " + port_name(port) + " with " + lock_file + ": " +
              (lock ? "it is not a plain file of this user's" : std::strerror(errno));
        return std::nullopt;
    }
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        why = port_name(port) + " already has a virtual display running (" +
              holder_words(lock_file) + ")";
        return std::nullopt;
    }
    // The whole file is written and locked under a name of its own, then linked in. A file of
    // that name already there is held by a display only when that display took another port
    // lock (another configuration folder): it is left alone. Otherwise it is stale, and, with
    // the port's lock held, no display of this user can be writing one: it is replaced at once.
    std::string temporary = file + ".XXXXXX";
    serial::descriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) {
        why = "cannot write in " + folder.path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string content = registration_text(getpid(), pty_path);
    const bool written =
        flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
        ::write(fd.get(), content.data(), content.size()) == static_cast<ssize_t>(content.size());
    int linked = !written ? EIO : link(temporary.c_str(), file.c_str()) == 0 ? 0 : errno;
    if (linked == EEXIST && !held_by_display(file)) {
        linked = rename(temporary.c_str(), file.c_str()) == 0 ? 0 : errno;
    }
    static_cast<void>(unlink(temporary.c_str()));
    if (linked == EEXIST) {
        why = port_name(port) + " already has a virtual display running (" + file + ")";
        return std::nullopt;
    }
    if (linked != 0) {
        why = "cannot write " + file + ": " + std::strerror(linked);
        return std::nullopt;
    }
    return display_claim(fd.release(), lock.release(), file);
}

display_claim::display_claim(display_claim&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      port_lock_(std::exchange(other.port_lock_, -1)),
      file_(std::move(other.file_)) {}

display_claim::~display_claim() {
    if (fd_ >= 0) {
        // Ours while we hold its lock: no one else removes or replaces a locked registration.
        if (same_file(fd_, file_)) static_cast<void>(unlink(file_.c_str()));
        static_cast<void>(::close(fd_));
    }
    // The port goes last, once its registration is gone.
    if (port_lock_ >= 0) static_cast<void>(::close(port_lock_));
}

}  // namespace quillon::ports
