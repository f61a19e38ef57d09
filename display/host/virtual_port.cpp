#include "display/host/virtual_port.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "serial/termios_speeds.h"

namespace quillon::display {
namespace {

speed_t speed_constant(int baud) {
    return serial::termios_speed(static_cast<std::uint32_t>(baud)).value_or(B9600);
}

}  // namespace

std::optional<virtual_port> virtual_port::open(int baud, std::string& why) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        why = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    serial::descriptor master_fd(master);
    serial::descriptor slave_fd(slave);
    // Neither end may leak into the programs a display might start, nor keep the pty alive.
    static_cast<void>(fcntl(master, F_SETFD, FD_CLOEXEC));
    static_cast<void>(fcntl(slave, F_SETFD, FD_CLOEXEC));
    const char* name = ttyname(slave);
    termios t{};
    if (name == nullptr || tcgetattr(slave, &t) != 0) {
        why = std::string("cannot read the pseudo-terminal's settings: ") + std::strerror(errno);
        return std::nullopt;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, speed_constant(baud));
    cfsetospeed(&t, speed_constant(baud));
    if (tcsetattr(slave, TCSANOW, &t) != 0) {
        why = std::string("cannot put the pseudo-terminal in raw mode: ") + std::strerror(errno);
        return std::nullopt;
    }
    // The display reads whatever has arrived and goes back to waiting; it never blocks.
    if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        why = std::string("cannot make the pseudo-terminal non-blocking: ") + std::strerror(errno);
        return std::nullopt;
    }
    return virtual_port(std::move(master_fd), std::move(slave_fd), name);
}

std::string_view virtual_port::read_waiting(std::span<char> buffer) const {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(master_.get(), buffer.data() + got, buffer.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EAGAIN: all that has arrived is read
        }
    }
    return {buffer.data(), got};
}

sender_settings virtual_port::settings() const {
    sender_settings line;
    termios t{};
    if (tcgetattr(slave_.get(), &t) != 0) return line;
    line.baud = serial::termios_rate(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            line.data_bits = 5;
            break;
        case CS6:
            line.data_bits = 6;
            break;
        case CS7:
            line.data_bits = 7;
            break;
        default:
            line.data_bits = 8;
            break;
    }
    if ((t.c_cflag & PARENB) == 0) {
        line.parity = 'N';
    } else if (t.c_cflag & CMSPAR) {
        line.parity = (t.c_cflag & PARODD) ? 'M' : 'S';
    } else {
        line.parity = (t.c_cflag & PARODD) ? 'O' : 'E';
    }
    line.stop_bits = (t.c_cflag & CSTOPB) ? 2 : 1;
    line.rts_cts = (t.c_cflag & CRTSCTS) != 0;
    line.xon_xoff = (t.c_iflag & (IXON | IXOFF)) != 0;
    return line;
}

}  // namespace quillon::display
