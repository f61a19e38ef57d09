// Network targets against the real ser2net on 127.0.0.1 with a pseudo-terminal as its device,
// and against tiny peers on 127.0.0.1 for what ser2net never does (stay silent, never read).
// The socket seam stands in only where 127.0.0.1 cannot show a case: a host the resolver does
// not know (that would ask a name server elsewhere) and a connection that never completes.
#include <gtest/gtest.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "library/quillon.h"
#include "library/string_handle.h"
#include "ports/port_control.h"
#include "serial/device_layer.h"
#include "serial/network/connection.h"
#include "serial/network/sockets.h"
#include "serial/tests/support/device_calls.h"
#include "serial/tests/support/seam.h"
#include "testing/pty.h"
#include "testing/ser2net.h"

namespace quillon::serial {
namespace {

using library::make_handle;
using ports::close_current;
using ports::open_port;
using ports::open_result;
using ports::send_bytes;
using serial::open_port;  // the device layer's, beside the port control's

using namespace std::chrono_literals;
using test::local_peer;
using test::port_guard;
using test::pseudo_terminal;
using test::ser2net_server;

#define SKIP_WITHOUT_SER2NET()                                               \
    do {                                                                     \
        if (const std::string why = test::ser2net_missing(); !why.empty()) { \
            GTEST_SKIP() << why;                                             \
        }                                                                    \
    } while (false)

enum class kind { tcp, rfc2217 };
std::string name_of(kind k) { return k == kind::tcp ? "tcp" : "rfc2217"; }
std::string target_of(const ser2net_server& s, kind k) {
    return k == kind::tcp ? s.tcp_target() : s.rfc2217_target();
}

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

long long elapsed_ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

struct opened_record {
    record_number number = 0;
    error failure;
};
opened_record open_record(std::string_view name) {
    const record_number number = allocate_record_number();
    return {number, open_error(name, number)};
}

void close_record(record_number number) { static_cast<void>(close_error(number)); }

class through_ser2net : public ::testing::TestWithParam<kind> {};

TEST_P(through_ser2net, every_byte_value_arrives_exactly) {
    SKIP_WITHOUT_SER2NET();
    pseudo_terminal pty;
    test::master_drain line(pty.master());
    ser2net_server server(pty.path());
    port_guard ports({{2, target_of(server, GetParam())}});
    const open_result opened = open_port(2, 9600);
    ASSERT_TRUE(opened.opened) << describe(opened.failure);
    EXPECT_EQ(opened.device_path, target_of(server, GetParam()));
    // Every setting taken: ser2net's silence on DTR and RTS (a pty has no modem lines) is not
    // awaited.
    for (std::size_t i = 0; i < opened.settings.size(); ++i) {
        EXPECT_FALSE(opened.settings[i]) << "setting " << i;
    }
    std::string long_text;
    for (int i = 0; i < 40000; ++i) long_text += static_cast<char>((i * 7) % 256);
    const std::string payloads[] = {test::all_byte_values(),
                                    bytes({13, 0, 255, 255, 13, 10, 255, 0, 0}), long_text};
    std::string all;
    for (const std::string& payload : payloads) {
        EXPECT_FALSE(send_bytes(payload)) << payload.size() << " bytes";
        all += payload;
    }
    EXPECT_FALSE(close_current());
    EXPECT_EQ(line.wait_for(all.size()), all);
}

// The first send after ser2net has started, opened, written and closed at once, arrives
// whole: a send's success means ser2net has taken its bytes.
TEST_P(through_ser2net, the_first_send_after_the_server_starts_arrives_whole) {
    SKIP_WITHOUT_SER2NET();
    pseudo_terminal pty;
    test::master_drain line(pty.master());
    ser2net_server server(pty.path());
    port_guard ports({{3, target_of(server, GetParam())}});
    ASSERT_TRUE(open_port(3, 9600).opened);
    EXPECT_FALSE(send_bytes("first send"));
    EXPECT_FALSE(close_current());
    EXPECT_EQ(line.wait_for(10), "first send");
}

INSTANTIATE_TEST_SUITE_P(kinds, through_ser2net, ::testing::Values(kind::tcp, kind::rfc2217),
                         [](const auto& info) { return name_of(info.param); });

// The device line as ser2net leaves it while the connection lasts (it restores the device's
// own settings when the client goes). A byte read from the master first proves that ser2net
// has opened its device.
TEST(through_ser2net, ser_open_sets_the_device_rate_only_through_rfc2217) {
    SKIP_WITHOUT_SER2NET();
    const struct {
        kind how;
        int baud;
        speed_t device_speed;
    } table[] = {
        {kind::rfc2217, 1200, B1200}, {kind::rfc2217, 4800, B4800}, {kind::tcp, 1200, B9600}};
    for (const auto& row : table) {
        pseudo_terminal pty;
        ser2net_server server(pty.path());
        port_guard ports({{4, target_of(server, row.how)}});
        ASSERT_EQ(SER_OPEN(4, row.baud), 1) << name_of(row.how);
        SER_RAWSEND_BV(make_handle("x"));
        ASSERT_EQ(pty.read_master(1), "x");
        const termios t = pty.slave_termios();
        EXPECT_EQ(cfgetospeed(&t), row.device_speed) << name_of(row.how) << " " << row.baud;
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(SER_CLOSE(), 1);
    }
}

// ser2net opens its device only after the connect; a send that opens, writes and closes at
// once must still get every byte there (it lost one connection in ten to twenty before the close
// waited).
TEST(through_ser2net, a_raw_send_closed_at_once_still_arrives) {
    SKIP_WITHOUT_SER2NET();
    pseudo_terminal pty;
    ser2net_server server(pty.path());
    port_guard ports({{5, server.tcp_target()}});
    std::string sent;
    for (int i = 0; i < 40; ++i) {
        const std::string text = "<" + std::to_string(65 + i) + ">";
        ASSERT_EQ(SER_OPEN(5, 9600), 1);
        SER_SEND_BV(make_handle(text));
        EXPECT_EQ(SER_CLOSE(), 1);
        sent += static_cast<char>(65 + i);
    }
    EXPECT_EQ(pty.read_master(sent.size(), 5s), sent);
}

// What each kind does with a line setting, read back from the handle: tcp keeps every one
// (only a rate the write bound cannot use is refused);
// rfc2217 keeps what the server answered with the value asked for, and refuses what RFC 2217
// cannot say without sending anything.
TEST(through_ser2net, line_settings_are_kept_in_the_handle) {
    SKIP_WITHOUT_SER2NET();
    const struct {
        line_setting setting;
        std::int32_t value;
        bool tcp_refused;
        bool rfc2217_refused;
    } table[] = {
        {line_setting::baud_rate, 2400, false, false},
        {line_setting::data_bits, 8, false, false},
        {line_setting::parity_scheme, 2, false, false},
        {line_setting::stop_bits, 2, false, false},
        {line_setting::xon_xoff_output, 1, false, false},
        {line_setting::null_stripping, 1, false, false},
        {line_setting::rts_control, 3, false, true},  // no RTS toggle in RFC 2217
        {line_setting::stop_bits, 7, false, true},    // a value no line has: kept by tcp
        {line_setting::baud_rate, 0, true, true},
    };
    for (kind how : {kind::tcp, kind::rfc2217}) {
        // A server of its own for each: ser2net lets the device go a little after the
        // connection that used it has ended.
        pseudo_terminal pty;
        ser2net_server server(pty.path());
        const auto where = network::parse_target(target_of(server, how));
        ASSERT_TRUE(where);
        network::connect_outcome c = network::connect(*where);
        ASSERT_TRUE(c.link) << network::error_for(c.native).native;
        for (const auto& row : table) {
            const bool refused = how == kind::tcp ? row.tcp_refused : row.rfc2217_refused;
            const backend::setting_outcome outcome =
                network::apply_line_setting(*c.link, row.setting, row.value);
            EXPECT_EQ(outcome.refused, refused)
                << name_of(how) << " setting " << static_cast<int>(row.setting) << " " << row.value;
        }
        const line_state kept = network::kept_state(*c.link);
        EXPECT_EQ(kept.baud_rate, 2400u);
        EXPECT_EQ(kept.byte_size, 8);
        EXPECT_EQ(kept.parity, 2);
        EXPECT_EQ(kept.stop_bits, how == kind::tcp ? 7 : 2);
        EXPECT_TRUE(kept.xon_xoff_output);
        EXPECT_TRUE(kept.null_stripping);
        EXPECT_EQ(kept.rts, how == kind::tcp ? rts_control::toggle : rts_control::disable);
        if (how == kind::rfc2217) {
            const termios t = pty.slave_termios();
            EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
            // A pty keeps no parity (it takes 8 data bits without parity only): the stop bits
            // show that the line was set.
            EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
            EXPECT_NE(t.c_iflag & IXON, 0u);
        }
        EXPECT_EQ(network::close(*c.link), 0);
    }
}

TEST(network_open, nothing_listening_is_refused_at_once) {
    const int port = test::free_local_port();
    for (const std::string scheme : {"tcp", "rfc2217"}) {
        const std::string target = scheme + "://127.0.0.1:" + std::to_string(port);
        const auto start = std::chrono::steady_clock::now();
        const opened_record r = open_record(target);
        EXPECT_LT(elapsed_ms(start), 1000) << target;
        EXPECT_EQ(r.failure.number, error_number::port_not_found) << target;
        EXPECT_EQ(r.failure.kind, error_kind::connection_refused) << target;
        EXPECT_EQ(r.failure.native, ECONNREFUSED) << target;
        EXPECT_EQ(describe(r.failure), "Connection refused");
        EXPECT_FALSE(is_open(r.number));
        port_guard ports({{6, target}});
        EXPECT_EQ(SER_OPEN(6, 9600), 0) << target;
    }
}

int resolve_calls = 0;

TEST(network_open, a_malformed_target_is_a_bad_name_and_nothing_is_looked_up) {
    test::socket_seam_override seam;
    resolve_calls = 0;
    seam.calls().resolve = [](const std::string&, std::uint16_t, std::vector<network::endpoint>&) {
        ++resolve_calls;
        return 0;
    };
    for (const char* name : {"tcp://127.0.0.1", "rfc2217://127.0.0.1:0", "rfc2217://host:65536",
                             "udp://127.0.0.1:2217", "tcp://:2217", "tcp://h:2217/x"}) {
        const opened_record r = open_record(name);
        EXPECT_EQ(r.failure.number, error_number::bad_device_name) << name;
        EXPECT_EQ(r.failure.kind, error_kind::bad_name) << name;
    }
    EXPECT_EQ(resolve_calls, 0);
}

TEST(network_open, an_unknown_host_has_its_own_kind) {
    test::socket_seam_override seam;
    // What glibc's getaddrinfo answers for a name no resolver knows.
    seam.calls().resolve = [](const std::string&, std::uint16_t, std::vector<network::endpoint>&) {
        return EAI_NONAME;
    };
    const opened_record r = open_record("rfc2217://displaypi.invalid:2217");
    EXPECT_EQ(r.failure.number, error_number::port_not_found);
    EXPECT_EQ(r.failure.kind, error_kind::host_not_found);
    EXPECT_EQ(r.failure.source, error_source::network);
    EXPECT_EQ(describe(r.failure), "Name or service not known");
    EXPECT_FALSE(is_open(r.number));
}

std::int64_t fake_clock_ms = 0;
std::int64_t waited_ms = 0;

TEST(network_open, a_connection_that_never_completes_gives_up_after_five_seconds) {
    test::socket_seam_override seam;
    fake_clock_ms = 1000000;
    waited_ms = 0;
    seam.calls().now_ms = [] { return fake_clock_ms; };
    seam.calls().connect = [](network::socket_id, const network::endpoint&) { return EINPROGRESS; };
    seam.calls().wait = [](network::socket_id, bool, bool, int timeout_ms, network::readiness& r) {
        fake_clock_ms += timeout_ms;
        waited_ms += timeout_ms;
        r = {};
        return 0;
    };
    const opened_record r = open_record("rfc2217://127.0.0.1:9");
    EXPECT_EQ(r.failure.number, error_number::port_not_found);
    EXPECT_EQ(r.failure.kind, error_kind::timed_out);
    EXPECT_EQ(waited_ms, 5000);
}

// Reads what arrives until stop, at most max_bytes, into received.
void record_input(int connection, int stop, std::string& received, std::size_t max_bytes) {
    char buffer[4096];
    while (received.size() < max_bytes && test::readable_before(connection, stop, 20000)) {
        const ssize_t n = ::read(connection, buffer, sizeof buffer);
        if (n <= 0) return;
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

TEST(network_open, a_server_that_never_agrees_to_the_com_port_option_is_refused_in_two_seconds) {
    std::string received;
    local_peer silent([&](int connection, int stop) {
        record_input(connection, stop, received, 6);
        test::readable_before(stop, stop, 30000);
    });
    const auto start = std::chrono::steady_clock::now();
    const opened_record r = open_record("rfc2217://127.0.0.1:" + std::to_string(silent.port()));
    const long long took = elapsed_ms(start);
    EXPECT_GE(took, 1900);
    EXPECT_LT(took, 4000);
    EXPECT_EQ(r.failure.number, error_number::not_a_serial_device);
    EXPECT_EQ(r.failure.kind, error_kind::no_com_port_option);
    EXPECT_FALSE(is_open(r.number));
    // Only our requests went out: WILL COM-PORT-OPTION, WILL BINARY.
    EXPECT_EQ(received, bytes({255, 251, 44, 255, 251, 0}));
}

// A server that agrees to the options and then answers no command at all costs one answer
// wait: the first awaited setting waits two seconds, every later one is refused at once; DTR
// and RTS are never awaited; a write is not confirmed (nothing would answer).
TEST(network_settings, a_silent_server_costs_one_answer_wait) {
    std::string received;
    local_peer mute([&](int connection, int stop) {
        const std::string agree = bytes({255, 253, 44, 255, 253, 0});
        if (::write(connection, agree.data(), agree.size()) != 6) return;
        record_input(connection, stop, received, 1 << 20);
    });
    const opened_record r = open_record("rfc2217://127.0.0.1:" + std::to_string(mute.port()));
    ASSERT_FALSE(r.failure);
    const struct {
        line_setting setting;
        std::int32_t value;
        long long at_least_ms;
        long long below_ms;
        error_kind refused;
    } table[] = {{line_setting::dtr_line, 1, 0, 500, error_kind::none},
                 {line_setting::baud_rate, 9600, 1900, 4000, error_kind::timed_out},
                 {line_setting::parity_scheme, 0, 0, 500, error_kind::timed_out},
                 {line_setting::rts_control, 1, 0, 500, error_kind::none},
                 {line_setting::null_stripping, 1, 0, 500, error_kind::none}};
    for (const auto& row : table) {
        const auto start = std::chrono::steady_clock::now();
        const error e = setting_error(r.number, row.setting, row.value);
        const long long took = elapsed_ms(start);
        EXPECT_GE(took, row.at_least_ms) << static_cast<int>(row.setting);
        EXPECT_LT(took, row.below_ms) << static_cast<int>(row.setting);
        EXPECT_EQ(e.kind, row.refused) << static_cast<int>(row.setting);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(write_error(r.number, bytes({'A', 255, 'B'})));
    EXPECT_LT(elapsed_ms(start), 500);
    close_record(r.number);
    // Opening, DTR on, SET-BAUDRATE 9600, SET-PARITY NONE, RTS on, then the data.
    EXPECT_EQ(received, bytes({255, 251, 44,  255, 251, 0,                        //
                               255, 250, 44,  5,   8,   255, 240,                 //
                               255, 250, 44,  1,   0,   0,   37,  128, 255, 240,  //
                               255, 250, 44,  3,   1,   255, 240,                 //
                               255, 250, 44,  5,   11,  255, 240,                 //
                               'A', 255, 255, 'B'}));
}

TEST(network_write, a_peer_that_never_reads_ends_the_write_at_its_bound) {
    // A small receive buffer, so that the peer's window closes early.
    local_peer never_reads([](int, int stop) { test::readable_before(stop, stop, 30000); }, 4096);
    const opened_record r = open_record("tcp://127.0.0.1:" + std::to_string(never_reads.port()));
    ASSERT_FALSE(r.failure);
    // The rate is only kept for tcp://: 16 MiB need 84 ms at it, so the bound is about 2.1 s.
    ASSERT_FALSE(setting_error(r.number, line_setting::baud_rate, 2000000000));
    const auto start = std::chrono::steady_clock::now();
    const error e = write_error(r.number, std::string(16 << 20, 'x'));
    const long long took = elapsed_ms(start);
    EXPECT_EQ(e.number, error_number::write_failed);
    EXPECT_EQ(e.kind, error_kind::timed_out);
    EXPECT_GE(took, 2000);
    EXPECT_LT(took, 5000);
    EXPECT_FALSE(is_open(r.number)) << "a timed-out connection stays open";
}

class server_killed : public ::testing::TestWithParam<kind> {};

TEST_P(server_killed, mid_send_gives_the_write_error) {
    SKIP_WITHOUT_SER2NET();
    pseudo_terminal pty;
    ser2net_server server(pty.path());
    const opened_record r = open_record(target_of(server, GetParam()));
    ASSERT_FALSE(r.failure);
    // A fast rate keeps the bound short (16 MiB: 42 s) should the kill not end the write.
    ASSERT_FALSE(setting_error(r.number, line_setting::baud_rate, 4000000));
    // Nobody reads the pty: ser2net and the sockets hold about 4 MB, so the write is still
    // under way when the server goes.
    error e;
    std::thread writer([&] { e = write_error(r.number, std::string(16 << 20, 'k')); });
    pollfd data{pty.master(), POLLIN, 0};
    const bool started = poll(&data, 1, 10000) == 1;
    server.kill_now();
    writer.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(e.number, error_number::write_failed);
    EXPECT_EQ(e.kind, error_kind::connection_dropped);
    close_record(r.number);
}

INSTANTIATE_TEST_SUITE_P(kinds, server_killed, ::testing::Values(kind::tcp, kind::rfc2217),
                         [](const auto& info) { return name_of(info.param); });

}  // namespace
}  // namespace quillon::serial
