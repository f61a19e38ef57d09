// What a pseudo-terminal cannot show, through the system-call seam: interrupted and partial
// writes, a driver that refuses or silently drops a setting, SIGPIPE.
#include "serial/tests/support/seam.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "ports/port_control.h"
#include "serial/tests/support/device_calls.h"
#include "testing/pty.h"

namespace quillon::serial {
namespace {

using ports::close_current;
using ports::current_record;
using ports::open_port;
using ports::open_result;
using ports::send_bytes;
using serial::open_port;  // the device layer's, beside the port control's

using test::port_guard;
using test::pseudo_terminal;
using test::seam_override;

int write_calls = 0;
int poll_calls = 0;

// Every other call is interrupted; the others take at most three bytes.
ssize_t interrupted_and_short(int fd, const void* bytes, std::size_t count) {
    if (++write_calls % 2 == 1) {
        errno = EINTR;
        return -1;
    }
    return seam_override::real().write(fd, bytes, count < 3 ? count : 3);
}

ssize_t would_block_once(int fd, const void* bytes, std::size_t count) {
    if (++write_calls == 1) {
        errno = EAGAIN;
        return -1;
    }
    return seam_override::real().write(fd, bytes, count);
}

ssize_t takes_nothing(int, const void*, std::size_t) {
    ++write_calls;
    return 0;
}

struct write_case {
    const char* what;
    ssize_t (*write)(int, const void*, std::size_t);
    bool completes;
};
void PrintTo(const write_case& c, std::ostream* os) { *os << c.what; }

class driver_write : public ::testing::TestWithParam<write_case> {};

TEST_P(driver_write, completes_or_fails_but_never_stops_half_way_silently) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    const std::string bytes = test::all_byte_values();
    {
        seam_override seam;
        write_calls = 0;
        poll_calls = 0;
        seam.calls().write = GetParam().write;
        seam.calls().poll = [](pollfd* fds, nfds_t n, int timeout) {
            ++poll_calls;
            return seam_override::real().poll(fds, n, timeout);
        };
        const error e = send_bytes(bytes);
        if (GetParam().completes) {
            EXPECT_FALSE(e) << GetParam().what;
        } else {
            EXPECT_EQ(e.number, error_number::write_failed) << GetParam().what;
        }
    }
    if (GetParam().completes) {
        EXPECT_EQ(pty.read_master(bytes.size()), bytes);
    }
    close_current();
}

INSTANTIATE_TEST_SUITE_P(
    cases, driver_write,
    ::testing::Values(write_case{"EINTR and three bytes at a time", interrupted_and_short, true},
                      write_case{"zero bytes taken, no error", takes_nothing, false}),
    [](const auto& info) { return test::test_name(info.param.what); });

TEST(driver_write, would_block_waits_for_room_with_poll) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    seam_override seam;
    write_calls = 0;
    poll_calls = 0;
    seam.calls().write = would_block_once;
    seam.calls().poll = [](pollfd* fds, nfds_t n, int timeout) {
        ++poll_calls;
        EXPECT_EQ(fds[0].events, POLLOUT);
        return seam_override::real().poll(fds, n, timeout);
    };
    EXPECT_FALSE(send_bytes("ab"));
    EXPECT_EQ(poll_calls, 1);
    EXPECT_EQ(write_calls, 2);
    close_current();
}

// tcsetattr "succeeds" (it does when any part of a change was taken) but the speed stays.
int drops_speed_9600(int fd, int when, const termios* t) {
    if (cfgetospeed(t) == B9600) return 0;
    return seam_override::real().tcsetattr(fd, when, t);
}

// The driver turns down one change: switching XON/XOFF on input off.
int keeps_ixoff(int fd, int when, const termios* t) {
    termios now{};
    if (seam_override::real().tcgetattr(fd, &now) == 0 && (now.c_iflag & IXOFF) != 0 &&
        (t->c_iflag & IXOFF) == 0) {
        errno = EINVAL;
        return -1;
    }
    return seam_override::real().tcsetattr(fd, when, t);
}

struct refusal_case {
    const char* what;
    int (*tcsetattr)(int, int, const termios*);
    line_setting refused;
    speed_t speed_after;
    tcflag_t iflag_after;  // of IXON | IXOFF
};
void PrintTo(const refusal_case& c, std::ostream* os) { *os << c.what; }

class driver_refuses : public ::testing::TestWithParam<refusal_case> {};

TEST_P(driver_refuses, one_setting_that_step_alone_fails_and_the_rest_apply) {
    const refusal_case& c = GetParam();
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    // (A Linux pty holds only CS8 without parity; stop bits and flow control it keeps.)
    termios t = pty.slave_termios();
    cfsetospeed(&t, B2400);
    cfsetispeed(&t, B2400);
    t.c_cflag |= CSTOPB;
    t.c_iflag |= IXON | IXOFF;
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &t), 0);

    open_result r;
    {
        seam_override seam;
        seam.calls().tcsetattr = c.tcsetattr;
        r = open_port(1, 9600);
    }
    ASSERT_TRUE(r.opened);
    for (int i = 0; i < line_setting_count; ++i) {
        const auto setting = static_cast<line_setting>(i);
        const bool modem = setting == line_setting::dtr_handshake ||
                           setting == line_setting::dtr_line ||
                           setting == line_setting::rts_control;
        EXPECT_EQ(
            r.settings[static_cast<std::size_t>(i)].number,
            setting == c.refused || modem ? error_number::setting_refused : error_number::none)
            << c.what << ", step " << i + 1;
    }
    // The refused setting kept what the port had; the ones after it were made.
    t = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&t), c.speed_after) << c.what;
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), c.iflag_after) << c.what;
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u) << c.what;
    close_current();
}

INSTANTIATE_TEST_SUITE_P(cases, driver_refuses,
                         ::testing::Values(refusal_case{"speed silently dropped", drops_speed_9600,
                                                        line_setting::baud_rate, B2400, 0},
                                           refusal_case{"XON/XOFF input kept on", keeps_ixoff,
                                                        line_setting::xon_xoff_input, B9600,
                                                        IXOFF}),
                         [](const auto& info) { return test::test_name(info.param.what); });

// Values this platform's driver cannot express are refused without disturbing the port.
struct inexpressible {
    const char* what;
    line_setting setting;
    std::int32_t value;
};
void PrintTo(const inexpressible& c, std::ostream* os) { *os << c.what; }

class inexpressible_value : public ::testing::TestWithParam<inexpressible> {};

TEST_P(inexpressible_value, is_refused_and_the_port_keeps_its_state) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 4800).opened);
    const termios before = pty.slave_termios();
    EXPECT_EQ(setting_error(current_record(), GetParam().setting, GetParam().value).number,
              error_number::setting_refused)
        << GetParam().what;
    const termios after = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    close_current();
}

INSTANTIATE_TEST_SUITE_P(
    cases, inexpressible_value,
    ::testing::Values(inexpressible{"baud rate without a B constant", line_setting::baud_rate,
                                    1234},
                      inexpressible{"zero baud", line_setting::baud_rate, 0},
                      inexpressible{"1.5 stop bits", line_setting::stop_bits, 1},
                      inexpressible{"nine data bits", line_setting::data_bits, 9},
                      inexpressible{"parity code 5", line_setting::parity_scheme, 5},
                      inexpressible{"DTR handshake", line_setting::dtr_handshake, 1},
                      inexpressible{"DSR output flow", line_setting::dsr_output_flow, 1},
                      inexpressible{"RTS toggle", line_setting::rts_control, 3}),
    [](const auto& info) { return test::test_name(info.param.what); });

// What one setting costs in system calls on a pty already at 9600 8N1: a value termios cannot
// hold costs none, a change of nothing writes nothing, a change writes once and reads back.
int reads = 0;
int writes = 0;
int other_ioctls = 0;

TEST(line_setting_calls, are_only_what_the_change_needs) {
    const struct {
        const char* what;
        line_setting setting;
        std::int32_t value;
        int reads, writes, other_ioctls;
    } table[] = {
        {"baud rate without a constant", line_setting::baud_rate, 1234, 0, 0, 0},
        {"RTS toggle", line_setting::rts_control, 3, 0, 0, 0},
        {"DTR handshake", line_setting::dtr_handshake, 1, 0, 0, 0},
        {"DSR output flow on", line_setting::dsr_output_flow, 1, 0, 0, 0},
        {"DSR sensitivity", line_setting::dsr_sensitivity, 1, 0, 0, 0},
        {"receive queue size", line_setting::receive_queue_size, 4096, 0, 0, 0},
        {"DTR line on a pty", line_setting::dtr_line, 1, 0, 0, 0},
        // The state read at the open, or after the last change, is not asked for again.
        {"the same baud rate", line_setting::baud_rate, 9600, 0, 0, 0},
        {"the same data bits", line_setting::data_bits, 8, 0, 0, 0},
        {"another baud rate", line_setting::baud_rate, 2400, 1, 1, 0},
        {"XON/XOFF on output", line_setting::xon_xoff_output, 1, 1, 1, 0},
    };
    for (const auto& row : table) {
        pseudo_terminal pty;
        port_guard ports({{1, pty.path()}});
        ASSERT_TRUE(open_port(1, 9600).opened);
        {
            seam_override seam;
            reads = writes = other_ioctls = 0;
            seam.calls().tcgetattr = [](int fd, termios* t) {
                ++reads;
                return seam_override::real().tcgetattr(fd, t);
            };
            seam.calls().tcsetattr = [](int fd, int when, const termios* t) {
                ++writes;
                return seam_override::real().tcsetattr(fd, when, t);
            };
            seam.calls().ioctl = [](int fd, unsigned long request, void* argument) {
                ++other_ioctls;
                return seam_override::real().ioctl(fd, request, argument);
            };
            static_cast<void>(setting_error(current_record(), row.setting, row.value));
        }
        EXPECT_EQ(reads, row.reads) << row.what;
        EXPECT_EQ(writes, row.writes) << row.what;
        EXPECT_EQ(other_ioctls, row.other_ioctls) << row.what;
        close_current();
    }
}

}  // namespace
}  // namespace quillon::serial
