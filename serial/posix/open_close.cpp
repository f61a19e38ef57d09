// Opening, probing and closing a device, the device names, and the one errno mapping.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>

#include "serial/posix/port.h"
#include "serial/posix/system_calls.h"

namespace quillon::serial::backend {
namespace {

// "COM1".."COM8" in any case, the names the port control functions build.
int com_port_number(std::string_view name) {
    if (name.size() != 4) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return 0;
    }
    return name[3] >= '1' && name[3] <= '8' ? name[3] - '0' : 0;
}

// Undoes a half-made open: the exclusive flag first (see close_port), then the descriptor.
void abandon(int fd, bool exclusive) {
    const auto& sys = posix::syscalls();
    if (exclusive) static_cast<void>(sys.ioctl(fd, TIOCNXCL, nullptr));
    static_cast<void>(sys.close(fd));
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

}  // namespace

void port_deleter::operator()(port* p) const noexcept { delete p; }

std::string device_path_for(std::string_view device_name) {
    if (int n = com_port_number(device_name); n != 0) {
        const std::string variable = "QUILLON_COM" + std::to_string(n);
        if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr) return mapped;
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    return std::string(device_name);
}

open_outcome open_exclusive(const std::string& device_name) {
    const auto& sys = posix::syscalls();
    const std::string path = device_path_for(device_name);

    // O_NONBLOCK: a modem port must not wait for carrier before the open returns.
    // No O_CREAT: a missing port is an error, never a new file.
    const int fd = sys.open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {nullptr, errno};

    // POSIX has no exclusive open of a tty: flock keeps out every other program that asks
    // (root included), TIOCEXCL keeps out those that do not ask (except CAP_SYS_ADMIN).
    if (sys.flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int native = errno;
        abandon(fd, false);
        return {nullptr, native};
    }

    port_ptr p(new (std::nothrow) port);
    if (!p) {
        abandon(fd, false);
        return {nullptr, ENOMEM};
    }
    p->fd = fd;

    struct stat info {};
    if (sys.fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) p->kind = file_kind::disk;

    termios t{};
    if (sys.tcgetattr(fd, &t) == 0) {
        p->terminal = true;
        if (sys.ioctl(fd, TIOCEXCL, nullptr) != 0) {
            const int native = errno;
            abandon(fd, false);
            return {nullptr, native};
        }
        make_raw(t);
        termios check{};
        errno = 0;
        if (sys.tcsetattr(fd, TCSANOW, &t) != 0 || sys.tcgetattr(fd, &check) != 0 ||
            (check.c_oflag & OPOST) != 0 || (check.c_lflag & ICANON) != 0) {
            // A port that would translate bytes is worse than no port.
            const int native = errno != 0 ? errno : EINVAL;
            abandon(fd, true);
            return {nullptr, native};
        }
        int lines = 0;
        if (sys.ioctl(fd, TIOCMGET, &lines) == 0) {
            p->dtr_on = (lines & TIOCM_DTR) != 0;
            p->rts_on = (lines & TIOCM_RTS) != 0;
        }
    }

    // Writes are synchronous from here on.
    const int flags = sys.fcntl(fd, F_GETFL, 0);
    if (flags < 0 || sys.fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int native = errno;
        abandon(fd, p->terminal);
        return {nullptr, native};
    }
    return {std::move(p), 0};
}

int probe(const std::string& device_name) {
    const auto& sys = posix::syscalls();
    const std::string path = device_path_for(device_name);
    const int fd = sys.open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    const int native = sys.flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    static_cast<void>(sys.close(fd));
    return native;
}

file_kind kind_of(const port& p) { return p.kind; }

void clear_break(port& p) noexcept {
    if (p.fd >= 0) static_cast<void>(posix::syscalls().ioctl(p.fd, TIOCCBRK, nullptr));
}

int close_port(port& p) {
    if (p.fd < 0) return EBADF;
    const auto& sys = posix::syscalls();
    // TIOCEXCL belongs to the tty, not to our descriptor: if any other descriptor of it stays
    // open (a monitor program, say), the flag would outlive this handle and every later open
    // by a non-root user would fail with EBUSY. So it is cleared before the close.
    if (p.terminal) static_cast<void>(sys.ioctl(p.fd, TIOCNXCL, nullptr));
    // Never retried: on Linux the descriptor is gone even when close reports EINTR.
    const int result = sys.close(p.fd);
    p.fd = -1;
    return result == 0 ? 0 : errno;
}

error_number error_number_for(int native_error) noexcept {
    switch (native_error) {
        case 0:
            return error_number::none;
        case ENOENT:
        case ENODEV:
        case ENXIO:  // a device node with no device behind it
            return error_number::port_not_found;
        case EACCES:
        case EPERM:
        case EBUSY:        // TIOCEXCL held by another descriptor
        case EWOULDBLOCK:  // flock held by another descriptor
            return error_number::access_denied;
        case ENOMEM:
            return error_number::out_of_memory;
        default:
            return error_number::platform_failure;
    }
}

std::string describe_native_error(int native_error) {
    return std::error_code(native_error, std::generic_category()).message();
}

}  // namespace quillon::serial::backend
