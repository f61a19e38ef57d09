// The port table: record numbers, open refusals, close and write on numbers that are not open.
#include "serial/device_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "serial/tests/support/device_calls.h"
#include "serial/tests/support/seam.h"
#include "testing/pty.h"

namespace quillon::serial {
namespace {

using test::pseudo_terminal;
using test::seam_override;

TEST(record_numbers, rise_over_the_process_life_skip_numbers_in_use_and_wrap_to_one) {
    pseudo_terminal pty;
    set_record_counter_for_testing(0);
    // Opened and closed one after the other: 1, 2, 3, never 1 again.
    for (record_number expected : {1, 2, 3}) {
        const record_number number = allocate_record_number();
        EXPECT_EQ(number, expected);
        ASSERT_FALSE(open_error(pty.path(), number));
        EXPECT_FALSE(close_error(number));
    }
    // Near the top: 32767 is handed out, then the count wraps, skipping a number in use.
    ASSERT_FALSE(open_error(pty.path(), 1));
    set_record_counter_for_testing(32766);
    EXPECT_EQ(allocate_record_number(), 32767);
    EXPECT_EQ(allocate_record_number(), 2);
    EXPECT_FALSE(close_error(1));
}

struct open_refusal {
    const char* what;
    std::string name;
    record_number number;
    error_number expected;
};
void PrintTo(const open_refusal& c, std::ostream* os) { *os << c.what; }

class open_refusals : public ::testing::TestWithParam<open_refusal> {};

// Each refusal leaves no record and no file behind.
TEST_P(open_refusals, report_their_error_number_and_leave_no_record) {
    pseudo_terminal pty;
    const open_refusal& c = GetParam();
    const error e = open_error(c.name, c.number);
    EXPECT_EQ(e.number, c.expected) << c.what;
    if (c.number >= 0) {
        EXPECT_FALSE(is_open(c.number)) << c.what;
    }
}

const std::string missing = "/tmp/quillon-no-such-dir-" + std::to_string(getpid()) + "/port";

INSTANTIATE_TEST_SUITE_P(
    cases, open_refusals,
    ::testing::Values(
        open_refusal{"empty name", "", 7, error_number::bad_device_name},
        open_refusal{"star", "COM*", 7, error_number::bad_device_name},
        open_refusal{"question mark", "/dev/tty?", 7, error_number::bad_device_name},
        open_refusal{"name ends at zero byte", std::string("\0COM2", 5), 7,
                     error_number::bad_device_name},
        open_refusal{"negative number", "COM2", -3, error_number::no_such_record},
        open_refusal{"a COM name, taken as it is", "COM5", 7, error_number::port_not_found},
        open_refusal{"missing path", "/dev/null/not-a-port", 7, error_number::platform_failure}),
    [](const auto& info) { return test::test_name(info.param.what); });

TEST(open_port, missing_device_is_53_and_creates_nothing) {
    test::port_guard ports;
    const std::string dir = "/tmp/quillon-test-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string path = dir + "/ttyMISSING";
    const error e = open_error(path, 4);
    EXPECT_EQ(e.number, error_number::port_not_found);
    EXPECT_EQ(e.native, ENOENT);
    struct stat info {};
    EXPECT_NE(stat(path.c_str(), &info), 0) << "the open created a file";
    EXPECT_EQ(rmdir(dir.c_str()), 0);
}

TEST(open_port, number_in_use_is_55_and_keeps_the_open_record) {
    pseudo_terminal a;
    pseudo_terminal b;
    ASSERT_FALSE(open_error(a.path(), 9));
    EXPECT_EQ(open_error(b.path(), 9).number, error_number::record_in_use);
    EXPECT_TRUE(is_open(9));
    EXPECT_FALSE(close_error(9));
}

TEST(open_port, same_port_twice_in_one_process_is_70) {
    pseudo_terminal pty;
    ASSERT_FALSE(open_error(pty.path(), 11));
    const error second = open_error(pty.path(), 12);
    EXPECT_EQ(second.number, error_number::access_denied);
    EXPECT_FALSE(is_open(12));
    EXPECT_FALSE(close_error(11));
    EXPECT_FALSE(open_error(pty.path(), 12)) << "the closed port was not released";
    EXPECT_FALSE(close_error(12));
}

TEST(open_port, port_held_by_another_process_is_70) {
    pseudo_terminal pty;
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the port until the parent closes its end of the release pipe.
        close(ready[0]);
        close(release[1]);
        const int fd = open(pty.path().c_str(), O_RDWR | O_NOCTTY);
        const char ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
        // A cast to void does not silence warn_unused_result, which fortified builds add.
        if (write(ready[1], &ok, 1) != 1) _exit(1);
        char ignored;
        _exit(read(release[0], &ignored, 1) < 0 ? 1 : 0);
    }
    close(ready[1]);
    close(release[0]);
    char ok = '0';
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    const error e = open_error(pty.path(), 20);
    EXPECT_EQ(e.number, error_number::access_denied);
    EXPECT_EQ(e.native, EWOULDBLOCK);
    EXPECT_FALSE(is_open(20));
    close(release[1]);
    close(ready[0]);
    int status = 0;
    waitpid(child, &status, 0);
}

std::atomic<int> platform_calls{0};

TEST(close_and_write, numbers_that_are_not_open_make_no_platform_call) {
    seam_override seam;
    platform_calls = 0;
    seam.calls().write = [](int, const void*, std::size_t) -> ssize_t {
        ++platform_calls;
        return 0;
    };
    seam.calls().close = [](int) {
        ++platform_calls;
        return 0;
    };
    EXPECT_EQ(write_error(321, "abc").number, error_number::no_such_record);
    // Closing a number never opened, twice, does nothing and reports nothing.
    EXPECT_FALSE(close_error(321));
    EXPECT_FALSE(close_error(321));
    EXPECT_EQ(platform_calls, 0);
}

TEST(close_and_write, a_failing_close_still_removes_the_record) {
    pseudo_terminal pty;
    ASSERT_FALSE(open_error(pty.path(), 30));
    {
        seam_override seam;
        seam.calls().close = [](int fd) {
            static_cast<void>(seam_override::real().close(fd));
            errno = EIO;
            return -1;
        };
        const error e = close_error(30);
        EXPECT_EQ(e.number, error_number::platform_failure);
        EXPECT_EQ(e.native, EIO);
    }
    EXPECT_FALSE(is_open(30));
    EXPECT_EQ(write_error(30, "x").number, error_number::no_such_record);
    EXPECT_FALSE(open_error(pty.path(), 31)) << "the port stayed held";
    EXPECT_FALSE(close_error(31));
}

TEST(error_state, a_success_leaves_it_and_reading_clears_it) {
    error_state errors;
    errors.store({error_number::setting_refused, EINVAL});
    close_port(errors, 999);  // nothing to close: a success
    EXPECT_EQ(errors.take().number, error_number::setting_refused);
    EXPECT_FALSE(errors.take());
}

}  // namespace
}  // namespace quillon::serial
