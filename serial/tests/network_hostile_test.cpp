// Servers that misbehave, each a thread on 127.0.0.1 with a bounded script: what the library
// does with floods, wrong answers, silence, resets and flow control, through the SER_OPEN path.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include "serial/network/telnet.h"
#include "serial/port_control.h"
#include "serial/tests/support/pty.h"
#include "serial/tests/support/ser2net.h"

namespace quillon::serial {
namespace {

using namespace std::string_literals;
namespace telnet = network::telnet;

const std::string agree = "\xff\xfd\x2c\xff\xfd\x00"s;    // DO COM-PORT-OPTION, DO BINARY
const std::string suspend = "\xff\xfa\x2c\x6c\xff\xf0"s;  // FLOWCONTROL-SUSPEND (108)
const std::string resume = "\xff\xfa\x2c\x6d\xff\xf0"s;
constexpr std::size_t never = SIZE_MAX;

using answer_fn = std::string (*)(const telnet::event&);
std::string frame(unsigned char command, std::vector<unsigned char> value) {
    return telnet::subnegotiation(command, value);
}
std::string echo(const telnet::event& e) { return frame(e.command + 100, e.value); }
std::string silent(const telnet::event&) { return {}; }
std::string baud_115200(const telnet::event& e) {
    return e.command == 1 ? frame(101, {0, 1, 194, 0}) : echo(e);
}
// Break off answered with break on, as ser2net does; every other value one higher.
std::string all_wrong(const telnet::event& e) {
    if (e.command == 1 || (e.command == 5 && e.value == std::vector<unsigned char>{6})) {
        return e.command == 1 ? baud_115200(e) : frame(105, {5});
    }
    return frame(e.command + 100, {static_cast<unsigned char>(e.value.at(0) + 1)});
}

struct script {
    std::string greeting;    // sent at once
    answer_fn answer;        // to each COM-PORT command; null: a raw server
    std::string flood;       // sent up to 20000 times once data has come, reading nothing more
    std::size_t reset_at;    // resets once this many data bytes have come (one read each)
    bool reset_at_end;       // resets instead of closing when our end comes
    bool resume_when_quiet;  // FLOWCONTROL-RESUME once nothing came for 100 ms
};

struct seen {
    std::size_t data = 0;             // data bytes ('Q', which no command of ours holds)
    std::size_t while_suspended = 0;  // of them, before the server resumed
};

bool send_all(int fd, int stop, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        pollfd p[2] = {{fd, POLLOUT, 0}, {stop, POLLIN, 0}};
        if (poll(p, 2, 2000) <= 0 || p[1].revents != 0) return false;
        const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

void reset(int fd) {
    const linger now{1, 0};  // close with RST
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
}

void run(const script& s, int fd, int stop, seen& out) {
    send_all(fd, stop, s.greeting);
    bool suspended = s.greeting.find(suspend) != std::string::npos;
    telnet::reader reader;
    std::vector<telnet::event> events;
    char buffer[4096];
    for (int reads = 0; reads < 10000; ++reads) {
        if (!test::readable_before(fd, stop, suspended && s.resume_when_quiet ? 100 : 10000)) {
            if (!suspended || !s.resume_when_quiet) return;
            suspended = !send_all(fd, stop, resume);
            continue;
        }
        const std::size_t want = s.reset_at == never ? sizeof buffer : s.reset_at - out.data;
        const ssize_t n = ::read(fd, buffer, std::min(want, sizeof buffer));
        if (n <= 0) return s.reset_at_end ? reset(fd) : void();
        const std::string_view got(buffer, static_cast<std::size_t>(n));
        const auto data = static_cast<std::size_t>(std::count(got.begin(), got.end(), 'Q'));
        out.data += data;
        if (suspended) out.while_suspended += data;
        if (out.data >= s.reset_at) return reset(fd);
        if (data > 0 && !s.flood.empty()) {
            for (int i = 0; i < 20000 && send_all(fd, stop, s.flood); ++i) {
            }
            return;
        }
        if (s.answer == nullptr) continue;
        events.clear();
        reader.feed(got, events);
        for (const telnet::event& e : events) {
            if (e.what == telnet::event::type::com_port) send_all(fd, stop, s.answer(e));
        }
    }
}

struct hostile_case {
    const char* what;
    const char* scheme;
    script server;
    std::size_t text_size;
    error_kind setting;  // the first refused setting's kind
    setting_answer answer;
    int refused;  // settings refused
    error sent;   // the send's error, or else the close's
};
void PrintTo(const hostile_case& c, std::ostream* os) { *os << c.what; }

class hostile_server : public ::testing::TestWithParam<hostile_case> {};

TEST_P(hostile_server, is_met_with_a_bounded_and_honest_outcome) {
    const hostile_case& c = GetParam();
    test::port_map ports;
    seen server;
    open_result opened;
    error failed;
    const auto start = std::chrono::steady_clock::now();
    {
        test::local_peer peer([&](int fd, int stop) { run(c.server, fd, stop, server); });
        opened = open_device(c.scheme + std::to_string(peer.port()), 2400);
        ASSERT_TRUE(opened.opened) << describe(opened.failure);
        failed = send_bytes(std::string(c.text_size, 'Q'));
        const error closed = close_current();
        if (!failed) failed = closed;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    const auto first = std::find_if(opened.settings.begin(), opened.settings.end(),
                                    [](const error& e) { return bool(e); });
    EXPECT_EQ(first == opened.settings.end() ? error_kind::none : first->kind, c.setting);
    if (first != opened.settings.end()) {
        EXPECT_EQ(first->answer, c.answer);
    }
    EXPECT_EQ(std::count_if(opened.settings.begin(), opened.settings.end(),
                            [](const error& e) { return bool(e); }),
              c.refused);
    EXPECT_EQ(failed.number, c.sent.number);
    EXPECT_EQ(failed.kind, c.sent.kind);
    EXPECT_EQ(server.while_suspended, 0u);
    if (!failed) {
        EXPECT_EQ(server.data, c.text_size);
    }
}

const script answers_all{agree, echo, "", never, false, false};
const error fine{};
const error flooded{error_number::write_failed, 0, error_kind::too_much_input};
const error dropped{error_number::write_failed, 0, error_kind::connection_dropped};

INSTANTIATE_TEST_SUITE_P(
    cases, hostile_server,
    ::testing::Values(
        hostile_case{"reply flood while a send waits",
                     "rfc2217://127.0.0.1:",
                     script{agree, echo, frame(101, {0, 0, 9, 96}), never, false, false},
                     2000,
                     error_kind::none,
                     {},
                     0,
                     flooded},
        hostile_case{"option toggle flood while a send waits",
                     "rfc2217://127.0.0.1:",
                     script{agree, echo, "\xff\xfb\x03\xff\xfc\x03"s, never, false, false},
                     2000,
                     error_kind::none,
                     {},
                     0,
                     flooded},
        hostile_case{"wrong baud answer",
                     "rfc2217://127.0.0.1:",
                     script{agree, baud_115200, "", never, false, false},
                     2000,
                     error_kind::answered_otherwise,
                     {1, 2400, 115200},
                     1,
                     fine},
        hostile_case{"every setting answered otherwise",
                     "rfc2217://127.0.0.1:",
                     script{agree, all_wrong, "", never, false, false},
                     2000,
                     error_kind::answered_otherwise,
                     {1, 2400, 115200},
                     8,
                     fine},
        hostile_case{"agree then silent",
                     "rfc2217://127.0.0.1:",
                     script{agree, silent, "", never, false, false},
                     2000,
                     error_kind::timed_out,
                     {1, 2400, 0},
                     8,
                     fine},
        hostile_case{"raw reset after 10 of 2000 bytes",
                     "tcp://127.0.0.1:",
                     script{"", nullptr, "", 10, false, false},
                     2000,
                     error_kind::none,
                     {},
                     0,
                     dropped},
        hostile_case{"reset at close",
                     "rfc2217://127.0.0.1:",
                     script{agree, echo, "", never, true, false},
                     2000,
                     error_kind::none,
                     {},
                     0,
                     dropped},
        hostile_case{"flow suspended then resumed",
                     "rfc2217://127.0.0.1:",
                     script{agree + suspend, echo, "", never, false, true},
                     2000,
                     error_kind::none,
                     {},
                     0,
                     fine},
        hostile_case{"flow suspended for good",
                     "rfc2217://127.0.0.1:",
                     script{agree + suspend, echo, "", never, false, false},
                     24,
                     error_kind::none,
                     {},
                     0,
                     {error_number::write_failed, 0, error_kind::timed_out}}),
    [](const auto& info) { return test::test_name(info.param.what); });

}  // namespace
}  // namespace quillon::serial
