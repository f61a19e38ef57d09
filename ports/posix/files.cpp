// Reading and replacing the ports files on POSIX without hanging, ballooning or losing a line.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
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

// An edit's temporary file is NAME.edit-XXXXXX (six letters or digits): a name no one gives a
// file of their own, so that the next edit can tell a killed edit's leftover for sure.
constexpr std::string_view temporary_mark = ".edit-";
constexpr std::size_t temporary_letters = 6;

bool is_temporary_of(std::string_view entry, std::string_view name) {
    if (!entry.starts_with(name)) return false;
    entry.remove_prefix(name.size());
    if (!entry.starts_with(temporary_mark)) return false;
    entry.remove_prefix(temporary_mark.size());
    const auto letter_or_digit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    return entry.size() == temporary_letters &&
           std::all_of(entry.begin(), entry.end(), letter_or_digit);
}

// Why an edit is refused when what it would follow or change is another user's: root with a
// user's HOME (sudo -E) must neither change a file through the user's links nor leave files of
// root's own in the user's folders.
std::string refused(const std::string& path, const std::string& what, uid_t owner) {
    return "refusing to edit " + path + " as uid " + std::to_string(getuid()) + ": " + what +
           " belongs to uid " + std::to_string(owner) +
           " (run the edit as that user; with sudo, sudo -H edits root's own ports file, and " +
           system_config_folder() + "/quillon/ports.conf is the system's, for every user)";
}

// The file a path names in the end. A symbolic link is followed (to a target that may not exist
// yet), so that an edit replaces the file and leaves the link a link, but only a link of the
// user's own: never one that another user made to lead the edit into a file of theirs.
std::optional<std::string> follow_own_links(const std::string& path, fs::path& file) {
    file = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat s {};
        if (lstat(file.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) return std::nullopt;
        if (s.st_uid != getuid())
            return refused(path, "the symbolic link " + file.string(), s.st_uid);
        std::error_code failure;
        const fs::path target = fs::read_symlink(file, failure);
        if (failure) return "cannot follow " + file.string() + ": " + failure.message();
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return "cannot follow " + path + ": too many symbolic links";
}

// The file's folder, made as needed, but only inside a folder of the user's own.
std::optional<std::string> make_folder(const std::string& path, const fs::path& folder) {
    fs::path existing = folder;
    std::error_code failure;
    while (!fs::exists(existing, failure) && existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    if (existing == folder) return std::nullopt;
    struct stat s {};
    if (stat(existing.c_str(), &s) == 0 && s.st_uid != getuid()) {
        return refused(path, "its folder " + existing.string(), s.st_uid);
    }
    fs::create_directories(folder, failure);
    if (failure) return "cannot make " + folder.string() + ": " + failure.message();
    return std::nullopt;
}

// The edit goes ahead when the user owns the file or its folder, or the file is root's own.
std::optional<std::string> ownership_problem(const std::string& path, const struct stat* file,
                                             const struct stat& folder) {
    const uid_t me = getuid();
    if (folder.st_uid == me) return std::nullopt;
    if (file == nullptr) return refused(path, "its folder", folder.st_uid);
    if (file->st_uid == me || file->st_uid == 0) return std::nullopt;
    return refused(path, "it and its folder", file->st_uid);
}

bool same_inode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool wait_for_lock(int fd) {
    for (int waited = 0;; waited += 10) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= lock_wait_ms) return false;
        static_cast<void>(poll(nullptr, 0, 10));
    }
}

// The edit lock, NAME.lock beside the file. It lives in a file of its own (the ports file itself
// is replaced by each edit) and goes when the edit ends, so each edit checks, once it holds it,
// that it still holds the file of that name, and else takes the one there now. It takes the
// ports file's owner: an edit by root never leaves a lock the owner cannot open. A lock file the
// user cannot open and no program holds, in a folder of the user's own, is a leftover of a
// killed edit by another uid, and goes.
std::optional<std::string> take_lock(int folder, const std::string& file,
                                     const std::string& lock_name, const struct stat& owner,
                                     serial::descriptor& held) {
    bool leftover_removed = false;
    for (int tries = 0; tries < 100; ++tries) {
        serial::descriptor lock(
            openat(folder, lock_name.c_str(),
                   O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
        if (!lock && errno == EACCES && !leftover_removed) {
            struct stat there {};
            struct stat mine {};
            leftover_removed = true;
            if (fstat(folder, &mine) == 0 && mine.st_uid == getuid() &&
                fstatat(folder, lock_name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(there.st_mode) && !lock_holder_of(file + ".lock")) {
                static_cast<void>(unlinkat(folder, lock_name.c_str(), 0));
                continue;
            }
        }
        if (!lock) return "cannot lock " + file + ": " + because(errno);
        struct stat s {};
        if (fstat(lock.get(), &s) != 0 || !S_ISREG(s.st_mode) || s.st_nlink > 1) {
            return "cannot lock " + file + ": " + lock_name + " is not a plain file";
        }
        if (s.st_nlink == 0) continue;  // its edit ended and removed it as we opened it
        if (geteuid() == 0 && s.st_uid == 0 && (owner.st_uid != 0 || owner.st_gid != s.st_gid)) {
            // Only root can give a file away. (A cast to void does not silence
            // warn_unused_result, which fortified builds add.)
            if (fchown(lock.get(), owner.st_uid, owner.st_gid) != 0) {
            }
        }
        if (!wait_for_lock(lock.get())) {
            return "cannot lock " + file + ": another edit has held it for " +
                   std::to_string(lock_wait_ms / 1000) + " s";
        }
        struct stat named {};
        if (fstatat(folder, lock_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            same_inode(named, s)) {
            held = std::move(lock);
            return std::nullopt;
        }
    }
    return "cannot lock " + file + ": its lock file keeps changing";
}

// Removes the leftovers of killed edits: temporary files of the user's own (by lstat). Every
// live edit writes its temporary file only while it holds the lock, which this edit now holds,
// so any there now belongs to an edit that died.
void remove_leftovers(int folder, const std::string& name) {
    const int copy = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return;
    DIR* entries = fdopendir(copy);
    if (entries == nullptr) {
        static_cast<void>(::close(copy));
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        struct stat s {};
        if (is_temporary_of(entry->d_name, name) &&
            fstatat(folder, entry->d_name, &s, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(s.st_mode) &&
            s.st_uid == getuid()) {
            static_cast<void>(unlinkat(folder, entry->d_name, 0));
        }
    }
    closedir(entries);
}

// A fresh temporary file beside the file, made so that nothing of that name can be followed.
serial::descriptor make_temporary(int folder, const std::string& name, std::string& temporary) {
    static constexpr std::string_view letters =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    for (int tries = 0; tries < 100; ++tries) {
        temporary = name + std::string(temporary_mark);
        for (std::size_t i = 0; i < temporary_letters; ++i) temporary += letters[pick(source)];
        serial::descriptor fd(openat(folder, temporary.c_str(),
                                     O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return serial::descriptor();
}

// The new text in a fresh file beside the old one, on the disk, then renamed over it: a reader
// sees the old file or the new one, never half of one, and a crash leaves one of the two.
std::optional<std::string> write_beside(int folder, const fs::path& file, const std::string& text,
                                        const struct stat* old) {
    const std::string name = file.filename().string();
    std::string temporary;
    serial::descriptor out = make_temporary(folder, name, temporary);
    if (!out) return "cannot write beside " + file.string() + ": " + because(errno);
    const auto fail = [&](const std::string& what) -> std::optional<std::string> {
        const int code = errno;
        static_cast<void>(unlinkat(folder, temporary.c_str(), 0));
        return "cannot " + what + " " + file.string() + ": " + because(code);
    };
    const mode_t mode = old != nullptr ? old->st_mode & 07777 : 0644;
    if (fchmod(out.get(), mode) != 0) return fail("write");
    if (old != nullptr && (old->st_uid != geteuid() || old->st_gid != getegid())) {
        // Only root can give the file back to its owner; anyone else keeps what they can.
        if (fchown(out.get(), old->st_uid, old->st_gid) != 0) {
        }
    }
    if (!serial::write_all([fd = out.get()](const char* from,
                                            std::size_t count) { return ::write(fd, from, count); },
                           text) ||
        fsync(out.get()) != 0)
        return fail("write");
    if (renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) return fail("replace");
    // The rename itself reaches the disk with the folder.
    static_cast<void>(fsync(folder));
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
    fs::path file;
    if (auto problem = follow_own_links(path, file)) return problem;
    const fs::path folder_path = file.parent_path();
    if (auto problem = make_folder(path, folder_path)) return problem;
    // Everything from here is done in the folder opened once, and the file is never followed:
    // what is checked is what is changed.
    serial::descriptor folder(open(folder_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat folder_stat {};
    if (!folder || fstat(folder.get(), &folder_stat) != 0) {
        return "cannot open " + folder_path.string() + ": " + because(errno);
    }
    const std::string name = file.filename().string();
    struct stat before {};
    const bool had_file = fstatat(folder.get(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
    if (auto problem = ownership_problem(path, had_file ? &before : nullptr, folder_stat)) {
        return problem;
    }

    const std::string lock_name = name + ".lock";
    serial::descriptor lock;
    if (auto problem = take_lock(folder.get(), file.string(), lock_name,
                                 had_file ? before : folder_stat, lock)) {
        return problem;
    }
    // The lock goes with the edit, whatever its outcome: no file of it stays behind.
    struct lock_release {
        int folder;
        const std::string& name;
        ~lock_release() { static_cast<void>(unlinkat(folder, name.c_str(), 0)); }
    } release{folder.get(), lock_name};

    serial::descriptor in(openat(folder.get(), name.c_str(),
                                 O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    file_text now;
    struct stat old {};
    if (in) {
        now = read_open(in.get(), limit);
        if (now.problem.empty() && fstat(in.get(), &old) != 0) {
            now.problem = "cannot be read (" + because(errno) + ")";
        }
    } else if (errno != ENOENT) {
        now.found = true;
        now.problem =
            errno == ELOOP ? "became a symbolic link" : "cannot be read (" + because(errno) + ")";
    }
    if (!now.problem.empty()) return file.string() + " " + now.problem + "; it was left as it is";
    if (auto problem = ownership_problem(path, in ? &old : nullptr, folder_stat)) return problem;
    remove_leftovers(folder.get(), name);
    std::string text;
    if (auto problem = edit(now, text)) return problem;
    return write_beside(folder.get(), file, text, in ? &old : nullptr);
}

}  // namespace quillon::ports::platform
