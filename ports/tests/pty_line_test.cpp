// The POSIX backend against real pseudo-terminals: line configuration, exact bytes, failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "library/quillon.h"
#include "ports/port_control.h"
#include "testing/pty.h"

namespace quillon::serial {
namespace {

using ports::close_current;
using ports::open_port;
using ports::open_result;
using ports::send_bytes;
using serial::open_port;  // the device layer's, beside the port control's

using test::master_drain;
using test::port_guard;
using test::pseudo_terminal;

class opened_at_rate : public ::testing::TestWithParam<std::pair<int, speed_t>> {};

TEST_P(opened_at_rate, runs_8n1_raw_without_flow_control) {
    pseudo_terminal pty;
    port_guard ports({{2, pty.path()}});
    // Start from the opposite of what the open must leave, so that every bit is really set.
    termios t = pty.slave_termios();
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    t.c_iflag |= IXON | IXOFF | INPCK | ICRNL;
    t.c_oflag |= OPOST | ONLCR;
    t.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &t), 0);

    const auto [baud, speed] = GetParam();
    ASSERT_EQ(SER_OPEN(2, baud), 1);
    t = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&t), speed);
    EXPECT_EQ(cfgetispeed(&t), speed);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(SER_CLOSE(), 1);
}

INSTANTIATE_TEST_SUITE_P(rates, opened_at_rate,
                         ::testing::Values(std::pair{1200, speed_t{B1200}},
                                           std::pair{2400, speed_t{B2400}},
                                           std::pair{4800, speed_t{B4800}},
                                           std::pair{9600, speed_t{B9600}}),
                         [](const auto& info) { return std::to_string(info.param.first); });

TEST(open_port, stty_reads_back_the_configuration) {
    pseudo_terminal pty;
    port_guard ports({{4, pty.path()}});
    ASSERT_EQ(SER_OPEN(4, 4800), 1);
    std::string settings;
    ASSERT_EQ(test::run_shell("stty -F " + pty.path() + " -a", &settings), 0);
    for (const char* expected : {"speed 4800 baud", " cs8", "-parenb", "-cstopb", "-crtscts",
                                 "-ixon", "-ixoff", "-opost"}) {
        EXPECT_NE(settings.find(expected), std::string::npos) << expected << "\n" << settings;
    }
    SER_CLOSE();
}

// A pty has no modem lines (TIOCMBIS/TIOCMBIC fail with ENOTTY): exactly the settings that
// change DTR or RTS are refused, and every other one applies.
TEST(open_port, on_a_pty_only_the_modem_line_settings_are_refused) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    const open_result r = open_port(1, 9600);
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(r.device_path, pty.path());
    for (int i = 0; i < line_setting_count; ++i) {
        const auto setting = static_cast<line_setting>(i);
        const bool modem = setting == line_setting::dtr_handshake ||
                           setting == line_setting::dtr_line ||
                           setting == line_setting::rts_control;
        EXPECT_EQ(r.settings[static_cast<std::size_t>(i)].number,
                  modem ? error_number::setting_refused : error_number::none)
            << "step " << i + 1;
        if (modem) {
            EXPECT_EQ(r.settings[static_cast<std::size_t>(i)].native, ENOTTY);
        }
    }
    close_current();
}

TEST(send, every_byte_value_arrives_exactly_in_order) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    // Line endings and the zero byte are where a cooked terminal would change the stream.
    const std::string bytes = test::all_byte_values() + std::string("\0\r\n\xff\n", 5);
    EXPECT_FALSE(send_bytes(bytes));
    EXPECT_EQ(pty.read_master(bytes.size()), bytes);
    close_current();
}

TEST(send, a_long_text_completes_while_the_line_is_drained) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    std::string bytes;
    for (int i = 0; i < 1024; ++i) bytes += test::all_byte_values();  // 256 KiB
    master_drain drain(pty.master());
    EXPECT_FALSE(send_bytes(bytes));
    EXPECT_EQ(drain.wait_for(bytes.size()), bytes);
    close_current();
}

TEST(send, a_pty_whose_master_is_gone_fails_with_69_without_hanging) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    pty.close_master();
    const error e = send_bytes("hello");
    EXPECT_EQ(e.number, error_number::write_failed);
    EXPECT_EQ(e.native, EIO);
    close_current();
}

// The lock is flock, which holds against root too; an unprivileged second opener shows that
// nothing of it lives on the tty once the port is closed.
class unprivileged : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
        if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is not installed";
        ASSERT_EQ(chmod(pty_.path().c_str(), 0666), 0);
        if (!locks_as_nobody()) GTEST_SKIP() << "an unprivileged user cannot open a free pty here";
    }
    bool locks_as_nobody() {
        return test::run_shell(
                   "setpriv --reuid=65534 --regid=65534 --clear-groups "
                   "flock --nonblock --conflict-exit-code 1 " +
                   pty_.path() + " true 2>/dev/null") == 0;
    }
    pseudo_terminal pty_;
};

TEST_F(unprivileged, cannot_lock_a_port_we_hold_and_can_once_we_closed_it) {
    port_guard ports({{1, pty_.path()}});
    ASSERT_TRUE(open_port(1, 9600).opened);
    EXPECT_FALSE(locks_as_nobody()) << "the port was not locked";
    close_current();
    // The test still holds a slave descriptor, so the tty lives on: no lock may.
    EXPECT_TRUE(locks_as_nobody()) << "the lock outlived the close";
}

}  // namespace
}  // namespace quillon::serial
