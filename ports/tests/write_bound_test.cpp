// A write ends within the time its bytes need at the line rate plus two seconds. Through the
// seam with a clock that only moves when the write waits; once on a real pty nobody reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "ports/port_control.h"
#include "serial/tests/support/seam.h"
#include "testing/pty.h"

namespace quillon::serial {
namespace {

using ports::close_current;
using ports::current_record;
using ports::open_port;
using ports::send_bytes;
using serial::open_port;  // the device layer's, beside the port control's

using test::port_guard;
using test::pseudo_terminal;
using test::seam_override;

// The fake clock advances by exactly what each poll waits; the fake driver takes
// bytes_per_wait bytes after each wait (none at all when it is 0).
std::int64_t clock_ms = 0;
std::int64_t waited_ms = 0;
std::size_t bytes_per_wait = 0;
std::size_t room = 0;

int fake_clock(clockid_t, timespec* now) {
    now->tv_sec = clock_ms / 1000;
    now->tv_nsec = (clock_ms % 1000) * 1000000;
    return 0;
}

int fake_poll(pollfd*, nfds_t, int timeout_ms) {
    clock_ms += timeout_ms;
    waited_ms += timeout_ms;
    room = bytes_per_wait;
    return 0;
}

ssize_t fake_write(int, const void*, std::size_t count) {
    if (room == 0) {
        errno = EAGAIN;
        return -1;
    }
    const std::size_t taken = count < room ? count : room;
    room -= taken;
    return static_cast<ssize_t>(taken);
}

// Each wait lasts until the driver has room again, as on a line draining at its rate: at 9600
// baud the line takes 96 bytes in 100 ms.
int line_rate_poll(pollfd*, nfds_t, int) {
    clock_ms += 100;
    room = bytes_per_wait;
    return 1;
}

// The fake clock, poll and write in place of the real ones for the object's lifetime.
class fake_line : public seam_override {
  public:
    explicit fake_line(std::size_t per_wait, int (*poll)(pollfd*, nfds_t, int) = fake_poll) {
        clock_ms = 0;
        waited_ms = 0;
        room = 0;
        bytes_per_wait = per_wait;
        calls().clock_gettime = fake_clock;
        calls().poll = poll;
        calls().write = fake_write;
    }
};

struct bound_case {
    const char* what;
    int baud;
    std::size_t bytes;
    std::size_t bytes_per_wait;
    bool completes;
};
void PrintTo(const bound_case& c, std::ostream* os) { *os << c.what; }

class write_bound : public ::testing::TestWithParam<bound_case> {};

TEST_P(write_bound, ends_a_stuck_write_and_spares_one_that_drains_at_line_rate) {
    const bound_case& c = GetParam();
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, c.baud).opened);
    error e;
    {
        const fake_line line(c.bytes_per_wait);
        e = send_bytes(std::string(c.bytes, 'x'));
    }
    if (c.completes) {
        EXPECT_FALSE(e) << c.what;
        EXPECT_TRUE(is_open(current_record()));
    } else {
        EXPECT_EQ(e.number, error_number::write_failed) << c.what;
        EXPECT_EQ(e.kind, error_kind::timed_out) << c.what;
        EXPECT_FALSE(is_open(current_record())) << "a timed-out port stays open";
    }
    close_current();
}

// A poll waits at most the time left, so a stuck write waits the whole bound in all:
// 960 bytes at 9600 baud need 1 s, +2 s; 120 bytes at 1200 baud need 1 s, +2 s.
TEST(write_bound, waits_exactly_the_bound_before_giving_up) {
    const struct {
        int baud;
        std::size_t bytes;
        std::int64_t bound_ms;
    } table[] = {{9600, 960, 3000}, {1200, 120, 3000}, {2400, 4800, 22000}, {9600, 1, 2001}};
    for (const auto& row : table) {
        pseudo_terminal pty;
        port_guard ports({{1, pty.path()}});
        ASSERT_TRUE(open_port(1, row.baud).opened);
        const fake_line line(0);
        EXPECT_EQ(send_bytes(std::string(row.bytes, 'x')).kind, error_kind::timed_out);
        EXPECT_EQ(waited_ms, row.bound_ms) << row.baud << " baud, " << row.bytes << " bytes";
    }
}

TEST(write_bound, a_port_draining_at_line_rate_never_reaches_it) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    error e;
    {
        const fake_line line(96, line_rate_poll);
        e = send_bytes(std::string(96 * 600, 'x'));  // a minute of line time
    }
    EXPECT_FALSE(e);
    EXPECT_EQ(clock_ms, 60000);
    close_current();
}

INSTANTIATE_TEST_SUITE_P(
    cases, write_bound,
    ::testing::Values(bound_case{"nothing ever taken", 9600, 100, 0, false},
                      bound_case{"a trickle far below line rate", 1200, 1000, 1, false},
                      bound_case{"all taken after one wait", 2400, 500, 500, true}),
    [](const auto& info) { return test::test_name(info.param.what); });

// A pty whose buffer is already full and that nobody reads: the send gives up after the
// bound (100 bytes at 9600 baud: about 2.1 s), the port is closed, and it opens again.
TEST(write_bound, on_a_pty_nobody_reads_the_send_fails_and_the_port_is_released) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    pty.fill_until_full();

    ASSERT_TRUE(open_port(1, 9600).opened);
    const error e = send_bytes(std::string(100, 'x'));
    EXPECT_EQ(e.number, error_number::write_failed);
    EXPECT_EQ(e.kind, error_kind::timed_out);
    EXPECT_FALSE(is_open(current_record()));
    EXPECT_TRUE(open_port(1, 9600).opened) << "the timed-out port was not released";
    close_current();
}

}  // namespace
}  // namespace quillon::serial
