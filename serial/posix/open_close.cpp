// Opening, probing and closing a device, the device names, and the one errno mapping.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "serial/posix/port.h"
#include "serial/posix/system_calls.h"
#include "serial/posix/unique_fd.h"

namespace quillon::serial::backend {
namespace {

file_type type_of(mode_t mode) {
    if (S_ISREG(mode)) return file_type::regular_file;
    if (S_ISDIR(mode)) return file_type::directory;
    if (S_ISFIFO(mode)) return file_type::fifo;
    if (S_ISSOCK(mode)) return file_type::socket;
    if (S_ISBLK(mode)) return file_type::block_device;
    if (S_ISCHR(mode)) return file_type::character_device;
    return file_type::unknown;
}

// Raw mode by hand: no output processing ("\n" must never become "\r\n"), no input
// processing, no echo, no signals. cfmakeraw is not used because it also rewrites the byte
// size, parity and flow control, which belong to the line settings, not to the open.
void make_raw(termios& t) {
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | BRKINT);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

// Whether a character device is a terminal, without opening it: sysfs names the class of
// every registered device (/dev/null is "mem", a UART or USB adapter "tty"). Pseudo-terminal
// slaves have no sysfs entry; a device without one is taken for a terminal.
bool is_terminal_class(dev_t device) {
    const std::string link = "/sys/dev/char/" + std::to_string(major(device)) + ":" +
                             std::to_string(minor(device)) + "/subsystem";
    char target[256];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return true;
    const std::string_view class_path(target, static_cast<std::size_t>(n));
    return class_path.substr(class_path.rfind('/') + 1) == "tty";
}

// The name of a group, or empty. getgrgid_r: a library may be called from several threads.
std::string group_name(gid_t id) {
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    while (getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < 1 << 20) {
        buffer.resize(buffer.size() * 2);
    }
    return found != nullptr ? std::string(found->gr_name) : std::string();
}

}  // namespace

void port_deleter::operator()(port* p) const noexcept { delete p; }

open_outcome open_exclusive(const std::string& device_name) {
    const auto& sys = posix::syscalls();
    const std::string& path = device_name;

    // Look before opening: an open of a FIFO with O_RDWR succeeds with no reader (the process
    // becomes its own reader, so writes neither fail nor drain), and an open of a regular file
    // succeeds too. Only character devices are opened at all.
    struct stat info {};
    if (sys.stat(path.c_str(), &info) != 0) return {nullptr, errno};
    if (!S_ISCHR(info.st_mode)) return {nullptr, ENOTTY, type_of(info.st_mode)};

    // O_NONBLOCK: a modem port must not wait for carrier before the open returns, and it stays
    // set so that a write can wait with a bound (see write.cpp). No O_CREAT: a missing port is
    // an error, never a new file.
    posix::unique_fd fd(sys.open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return {nullptr, errno};

    // The path may have been replaced between the look and the open: judge what was opened.
    if (sys.fstat(fd.get(), &info) != 0) return {nullptr, errno};
    if (!S_ISCHR(info.st_mode)) return {nullptr, ENOTTY, type_of(info.st_mode)};

    // POSIX has no exclusive open of a tty. flock keeps out every program that asks, root
    // included, and the kernel drops it with the last descriptor however the process ends.
    // TIOCEXCL is not used: it lives on the tty, not on the descriptor, so after a killed send
    // it would lock every unprivileged user out of the port for as long as the tty lives.
    if (sys.flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return {nullptr, errno};

    // /dev/null and other character devices that are not terminals have no line settings.
    termios t{};
    if (sys.tcgetattr(fd.get(), &t) != 0) {
        if (errno == ENOTTY || errno == EINVAL) {
            return {nullptr, ENOTTY, file_type::character_device};
        }
        return {nullptr, errno};
    }
    termios raw = t;
    make_raw(raw);
    if (std::memcmp(&raw, &t, sizeof raw) != 0) {
        errno = 0;
        if (sys.tcsetattr(fd.get(), TCSANOW, &raw) != 0 || sys.tcgetattr(fd.get(), &t) != 0 ||
            (t.c_oflag & OPOST) != 0 || (t.c_lflag & ICANON) != 0) {
            // A port that would translate bytes is worse than no port.
            return {nullptr, errno != 0 ? errno : EINVAL};
        }
    }

    port_ptr p(new (std::nothrow) port);
    if (!p) return {nullptr, ENOMEM};
    int lines = 0;
    if (sys.ioctl(fd.get(), TIOCMGET, &lines) != 0) {
        // A pseudo-terminal has no modem lines (ENOTTY): DTR and RTS settings are then refused
        // without asking the driver again.
        p->modem_lines = errno != ENOTTY && errno != EINVAL;
    } else {
        p->dtr_on = (lines & TIOCM_DTR) != 0;
        p->rts_on = (lines & TIOCM_RTS) != 0;
    }
    p->terminal = t;
    p->fd = fd.release();
    return {std::move(p), 0};
}

device_look look_at(const std::string& device_name) {
    const std::string& path = device_name;
    device_look look;
    struct stat info {};
    if (posix::syscalls().stat(path.c_str(), &info) != 0) {
        look.native_error = errno;
        return look;
    }
    look.owner_group = group_name(info.st_gid);
    if (!S_ISCHR(info.st_mode)) {
        look.native_error = ENOTTY;
        look.found = type_of(info.st_mode);
        return look;
    }
    if (!is_terminal_class(info.st_rdev)) {
        look.native_error = ENOTTY;
        look.found = file_type::character_device;
        return look;
    }
    if (access(path.c_str(), R_OK | W_OK) != 0) look.native_error = errno;
    return look;
}

file_kind kind_of(const port& p) { return p.kind; }

void clear_break(port& p) noexcept {
    if (p.fd >= 0) static_cast<void>(posix::syscalls().ioctl(p.fd, TIOCCBRK, nullptr));
}

int close_port(port& p) {
    if (p.fd < 0) return EBADF;
    // Never retried: on Linux the descriptor is gone even when close reports EINTR. The flock
    // goes with it.
    const int result = posix::syscalls().close(p.fd);
    p.fd = -1;
    return result == 0 ? 0 : errno;
}

error error_for(int native_error) noexcept {
    switch (native_error) {
        case 0:
            return {};
        case ENOENT:
        case ENODEV:
        case ENXIO:  // a device node with no device behind it
            return {error_number::port_not_found, native_error, error_kind::not_found};
        case EACCES:
        case EPERM:
            return {error_number::access_denied, native_error, error_kind::permission_denied};
        case EBUSY:
        case EWOULDBLOCK:  // flock held by another descriptor
            return {error_number::access_denied, native_error, error_kind::in_use};
        case ENOTTY:
            return {error_number::not_a_serial_device, native_error,
                    error_kind::not_a_serial_device};
        case ENAMETOOLONG:
            return {error_number::bad_device_name, native_error, error_kind::bad_name};
        case ENOMEM:
            return {error_number::out_of_memory, native_error, error_kind::out_of_memory};
        case ETIMEDOUT:
            return {error_number::write_failed, native_error, error_kind::timed_out};
        default:
            return {error_number::platform_failure, native_error, error_kind::other};
    }
}

std::string describe_native_error(int native_error) {
    return std::error_code(native_error, std::generic_category()).message();
}

}  // namespace quillon::serial::backend
