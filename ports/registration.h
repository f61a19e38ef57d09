// A running display's claim on a COM port, and how a sender trusts one.
//
// A display registers the pseudo-terminal it serves in a file per port ("PID PATH\n") in the
// user's private runtime folder, and holds an exclusive lock on that file for as long as it
// runs. The kernel drops the lock however the display ends, so the lock, not the pid (pids are
// reused, and a zombie still answers kill), tells a live display from a stale file.
//
// The folder is XDG_RUNTIME_DIR when that is a directory of the user's own with no access for
// group or others; otherwise ${TMPDIR:-/tmp}/quillon-UID, made with mode 0700 and checked the
// same way with lstat. Another user can make that name first under a shared /tmp: a folder
// that is not the user's own and private is neither read nor written, and a port that would
// otherwise go to its built-in default fails instead (displays_folder_problem).
//
// The runtime folder depends on the environment (cron, su and ssh often have no
// XDG_RUNTIME_DIR), so the claim on a port is a lock on the port, not on the folder: a lock file
// per port in ${XDG_CONFIG_HOME:-~/.config}/quillon/display-locks, where the user's ports file
// lives, the same whichever runtime folder a display uses. A display takes a port's lock before
// anything else, and only then writes its registration, taking over a stale one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::ports {

// The biggest registration followed: "PID PATH\n" needs far less.
inline constexpr std::size_t registration_limit = 4096;

// A registration's text: "PID PATH\n".
std::string registration_text(long pid, std::string_view pty_path);
// The path a registration's text names: an absolute path free of control characters after a
// positive pid. None for anything else.
std::optional<std::string> registered_path(std::string_view text);

// Where this user's displays register, and why it cannot be used when it cannot.
struct registration_folder {
    std::string path;
    std::string problem;   // empty when the folder is the user's own and private
    bool missing = false;  // the problem is only that it is not there (no display ever ran)
};
// With make, the fallback folder is created when missing.
registration_folder displays_folder(bool make);

// The display registered for the port, when its file is the user's own regular file that no one
// else can write, at most registration_limit bytes, held by a live display, and names a
// pseudo-terminal of the user's.
struct registered_display {
    std::string target;  // the pseudo-terminal
    std::string file;    // the registration
};
std::optional<registered_display> running_display(int port);

// Why no registration can be trusted: the folder is there but not the user's own and private.
// Empty when it is fine or missing. A port that would go to its built-in default fails with it.
std::string displays_folder_problem();

// The claim a display holds while it runs. Making it fails when another display holds the
// port: of two displays started at once for one port, exactly one wins. The claim is let go,
// and its file removed, when the object goes; a display that is killed leaves a file that no
// sender follows and the next display takes over.
class display_claim {
  public:
    static std::optional<display_claim> make(int port, const std::string& pty_path,
                                             std::string& why);
    ~display_claim();
    display_claim(display_claim&& other) noexcept;
    display_claim& operator=(display_claim&&) = delete;
    display_claim(const display_claim&) = delete;
    display_claim& operator=(const display_claim&) = delete;

    const std::string& file() const { return file_; }

  private:
    display_claim(int fd, int port_lock, std::string file)
        : fd_(fd), port_lock_(port_lock), file_(std::move(file)) {}
    int fd_ = -1;         // holds the registration's lock; -1 once moved from
    int port_lock_ = -1;  // holds the port's lock; -1 once moved from
    std::string file_;
};

}  // namespace quillon::ports
