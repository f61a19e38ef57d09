// Servers that misbehave (support/hostile_server.h), through the SER_OPEN path: floods meet the
// caps, wrong answers and silence are reported per setting, resets fail the send, and data waits
// while the server has suspended it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "ports/port_control.h"
#include "testing/hostile_server.h"
#include "testing/pty.h"
#include "testing/ser2net.h"

namespace quillon::serial {
namespace {

using namespace std::string_literals;
using namespace test;
using ports::close_current;
using ports::open_device;
using ports::open_result;
using ports::send_bytes;

struct hostile_case {
    const char* what;
    const char* scheme;
    script server;
    error sent;                             // the send's error, or else the close's
    error_kind setting = error_kind::none;  // the first refused setting's kind
    setting_answer answer{};
    int refused = 0;  // settings refused
    std::size_t text_size = 2000;
};
void PrintTo(const hostile_case& c, std::ostream* os) { *os << c.what; }

class hostile_server : public ::testing::TestWithParam<hostile_case> {};

TEST_P(hostile_server, is_met_with_a_bounded_and_honest_outcome) {
    const hostile_case& c = GetParam();
    port_guard ports;
    seen server;
    open_result opened;
    error failed;
    {
        local_peer peer([&](int fd, int stop) { run(c.server, fd, stop, server); });
        opened = open_device(c.scheme + std::to_string(peer.port()), 2400);
        ASSERT_TRUE(opened.opened) << describe(opened.failure);
        failed = send_bytes(std::string(c.text_size, 'Q'));
        const error closed = close_current();
        if (!failed) failed = closed;
    }
    const auto refused = [](const error& e) { return bool(e); };
    const auto first = std::find_if(opened.settings.begin(), opened.settings.end(), refused);
    const error none;
    EXPECT_EQ((first == opened.settings.end() ? none : *first).kind, c.setting);
    EXPECT_EQ((first == opened.settings.end() ? none : *first).answer, c.answer);
    EXPECT_EQ(std::count_if(opened.settings.begin(), opened.settings.end(), refused), c.refused);
    EXPECT_EQ(failed.number, c.sent.number);
    EXPECT_EQ(failed.kind, c.sent.kind);
    EXPECT_EQ(server.while_suspended, 0u);
    EXPECT_EQ(server.data, failed ? server.data : c.text_size);
}

const char* const rfc = "rfc2217://127.0.0.1:";
const error fine{};
const error flooded{error_number::write_failed, 0, error_kind::too_much_input};
const error dropped{error_number::write_failed, 0, error_kind::connection_dropped};
const error held{error_number::write_failed, 0, error_kind::timed_out};
const auto otherwise = error_kind::answered_otherwise;

INSTANTIATE_TEST_SUITE_P(
    cases, hostile_server,
    ::testing::Values(
        hostile_case{"reply flood while a send waits",
                     rfc,
                     {agree, echo, frame(101, {0, 0, 9, 96})},
                     flooded},
        hostile_case{"option toggle flood while a send waits",
                     rfc,
                     {agree, echo, "\xff\xfb\x03\xff\xfc\x03"s},
                     flooded},
        hostile_case{
            "wrong baud answer", rfc, {agree, baud_115200}, fine, otherwise, {1, 2400, 115200}, 1},
        hostile_case{"every setting answered otherwise",
                     rfc,
                     {agree, all_wrong},
                     fine,
                     otherwise,
                     {1, 2400, 115200},
                     8},
        hostile_case{"agree then silent",
                     rfc,
                     {agree, silent},
                     fine,
                     error_kind::timed_out,
                     {1, 2400, 0},
                     8},
        hostile_case{
            "raw reset after 10 of 2000 bytes", "tcp://127.0.0.1:", {"", nullptr, "", 10}, dropped},
        hostile_case{"reset at close", rfc, {agree, echo, "", never, true}, dropped},
        hostile_case{"flow suspended then resumed",
                     rfc,
                     {agree + suspend, echo, "", never, false, true},
                     fine},
        hostile_case{"flow suspended for good",
                     rfc,
                     {agree + suspend, echo},
                     held,
                     error_kind::none,
                     {},
                     0,
                     24}),
    [](const auto& info) { return test_name(info.param.what); });

}  // namespace
}  // namespace quillon::serial
