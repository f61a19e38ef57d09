// The exported functions as a C caller uses them: ownership of string handles, what reaches
// the line, the current port's life, and the string-handle stand-ins.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "library/quillon.h"
#include "library/string_handle.h"
#include "ports/port_control.h"
#include "serial/tests/support/seam.h"
#include "testing/pty.h"

namespace quillon::serial {
namespace {

using library::handle_bytes;
using library::make_handle;
using ports::current_record;

using test::port_guard;
using test::pseudo_terminal;
using test::seam_override;

// Sent after the call under test: what the master holds before it is what the call wrote.
const std::string marker = "|end|";

void send_marker() { SER_RAWSEND_BV(make_handle(marker)); }

enum class api { send, rawsend, send_bv, rawsend_bv };

struct send_case {
    const char* what;
    api function;
    std::string text;
    std::string on_the_line;
};
void PrintTo(const send_case& c, std::ostream* os) { *os << c.what; }

class send_functions : public ::testing::TestWithParam<send_case> {};

TEST_P(send_functions, write_exactly_their_bytes_and_treat_the_handle_as_documented) {
    const send_case& c = GetParam();
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    ASSERT_EQ(SER_OPEN(1, 9600), 1);
    BSTR text = c.text.empty() ? nullptr : make_handle(c.text);
    switch (c.function) {
        case api::send:
            SER_SEND(&text);
            // The variable now holds the translation, a handle the caller owns.
            EXPECT_EQ(handle_bytes(text), c.on_the_line) << c.what;
            SysFreeString(text);
            break;
        case api::rawsend: {
            BSTR const before = text;
            SER_RAWSEND(&text);
            EXPECT_EQ(text, before) << c.what;
            EXPECT_EQ(handle_bytes(text), c.text) << c.what;
            SysFreeString(text);
            break;
        }
        case api::send_bv:
            SER_SEND_BV(text);  // taken over: a leak or double free fails the sanitizer run
            break;
        case api::rawsend_bv:
            SER_RAWSEND_BV(text);
            break;
    }
    send_marker();
    EXPECT_EQ(pty.read_master(c.on_the_line.size() + marker.size()), c.on_the_line + marker)
        << c.what;
    EXPECT_EQ(SER_CLOSE(), 1);
}

const std::string tag_for_13 = "<13>";

INSTANTIATE_TEST_SUITE_P(
    cases, send_functions,
    ::testing::Values(send_case{"send translates a tag", api::send, tag_for_13, "\r"},
                      send_case{"rawsend leaves the tag", api::rawsend, tag_for_13, tag_for_13},
                      send_case{"send without tags keeps the bytes", api::send, "Hello\r\nWorld",
                                "Hello\r\nWorld"},
                      send_case{"send of display commands", api::send, "<LMA_CLS>Hi<CR,LF>",
                                "\xfe\x01\xfe\x80Hi\r\n"},
                      send_case{"send_bv translates", api::send_bv, "<254,1><0>x",
                                std::string("\xfe\x01\0x", 4)},
                      send_case{"rawsend_bv sends zero bytes", api::rawsend_bv,
                                std::string("\0\xff\0", 3), std::string("\0\xff\0", 3)},
                      send_case{"rawsend of every byte value", api::rawsend,
                                test::all_byte_values(), test::all_byte_values()},
                      send_case{"send of the empty text", api::send, "", ""},
                      send_case{"rawsend of the empty text", api::rawsend, "", ""},
                      send_case{"send_bv of the empty text", api::send_bv, "", ""},
                      send_case{"rawsend_bv of the empty text", api::rawsend_bv, "", ""}),
    [](const auto& info) { return test::test_name(info.param.what); });

TEST(send_functions, without_a_current_port_write_nothing_yet_still_translate) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    BSTR text = make_handle("<65>");
    SER_SEND(&text);  // no SER_OPEN yet in this process
    EXPECT_EQ(handle_bytes(text), "A");
    SER_RAWSEND(&text);
    SER_SEND(nullptr);  // a null address does nothing
    SER_RAWSEND(nullptr);

    ASSERT_EQ(SER_OPEN(1, 9600), 1);
    EXPECT_EQ(SER_CLOSE(), 1);
    SER_RAWSEND(&text);  // after the close
    SER_SEND_BV(make_handle("after close"));

    ASSERT_EQ(SER_OPEN(1, 9600), 1);
    send_marker();
    EXPECT_EQ(pty.read_master(marker.size()), marker);
    SER_CLOSE();
    SysFreeString(text);
}

std::atomic<int> open_calls{0};

struct refused_arguments {
    int port;
    int baud;
};
void PrintTo(const refused_arguments& c, std::ostream* os) {
    *os << "port " << c.port << ", baud " << c.baud;
}

class ser_open_refuses : public ::testing::TestWithParam<refused_arguments> {};

TEST_P(ser_open_refuses, without_touching_any_port) {
    pseudo_terminal pty;
    std::map<int, std::string> all;
    for (int n = 1; n <= 8; ++n) all[n] = pty.path();
    port_guard ports(all);
    seam_override seam;
    open_calls = 0;
    seam.calls().open = [](const char* path, int flags) {
        ++open_calls;
        return seam_override::real().open(path, flags);
    };
    const record_number before = current_record();
    EXPECT_EQ(SER_OPEN(GetParam().port, GetParam().baud), 0);
    EXPECT_EQ(open_calls, 0);
    // The number moved on before the arguments were looked at, and names no record.
    EXPECT_NE(current_record(), before);
    EXPECT_FALSE(is_open(current_record()));
}

INSTANTIATE_TEST_SUITE_P(cases, ser_open_refuses,
                         ::testing::Values(refused_arguments{0, 9600}, refused_arguments{9, 9600},
                                           refused_arguments{-1, 9600},
                                           refused_arguments{INT32_MIN, 9600},
                                           refused_arguments{2, 19200}, refused_arguments{2, 0},
                                           refused_arguments{2, 300}, refused_arguments{2, -9600}),
                         [](const auto& info) {
                             return test::test_name("port " + std::to_string(info.param.port) +
                                                    " baud " + std::to_string(info.param.baud));
                         });

TEST(ser_open, accepts_each_rate_and_numbers_records_one_two_three) {
    pseudo_terminal pty;
    port_guard ports({{2, pty.path()}});
    set_record_counter_for_testing(0);
    std::int16_t expected = 1;
    for (int baud : {1200, 2400, 4800}) {
        EXPECT_EQ(SER_OPEN(2, baud), 1) << baud;
        EXPECT_EQ(current_record(), expected++);
        EXPECT_EQ(SER_CLOSE(), 1);
        EXPECT_EQ(SER_CLOSE(), 1) << "closing twice";
    }
}

TEST(ser_open, a_missing_or_held_port_gives_0) {
    pseudo_terminal pty;
    port_guard ports({{1, pty.path()}});
    EXPECT_EQ(SER_OPEN(3, 9600), 0);  // mapped to a path that does not exist
    const int holder = open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(SER_OPEN(1, 9600), 0);
    close(holder);
    EXPECT_EQ(SER_OPEN(1, 9600), 1);
    EXPECT_EQ(SER_CLOSE(), 1);
}

// A second SER_OPEN without SER_CLOSE closes the first port instead of leaking it.
TEST(ser_open, while_a_port_is_open_closes_it_first) {
    pseudo_terminal one;
    pseudo_terminal two;
    port_guard ports({{1, one.path()}, {2, two.path()}});
    ASSERT_EQ(SER_OPEN(1, 9600), 1);
    EXPECT_EQ(SER_OPEN(1, 2400), 1) << "the first open still held the port";
    const termios line = one.slave_termios();
    EXPECT_EQ(cfgetospeed(&line), speed_t{B2400});
    ASSERT_EQ(SER_OPEN(2, 9600), 1);
    EXPECT_EQ(SER_OPEN(0, 9600), 0);  // refused, and COM2 is not left behind
    EXPECT_EQ(SER_OPEN(2, 4800), 1);
    EXPECT_EQ(SER_OPEN(1, 4800), 1);
    SER_CLOSE();
}

// Misuse from several threads must not strand a port: afterwards every port used opens again.
TEST(exported_calls, from_eight_threads_at_once_leave_no_port_stranded) {
    pseudo_terminal ptys[3];
    port_guard ports({{1, ptys[0].path()}, {2, ptys[1].path()}, {3, ptys[2].path()}});
    test::master_drain drains[3] = {test::master_drain(ptys[0].master()),
                                    test::master_drain(ptys[1].master()),
                                    test::master_drain(ptys[2].master())};
    std::vector<std::thread> threads;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        threads.emplace_back([seed] {
            std::minstd_rand random(seed);
            for (int call = 0; call < 1000; ++call) {
                switch (random() % 4) {
                    case 0:
                        SER_OPEN(static_cast<int>(random() % 3) + 1, 9600);
                        break;
                    case 1:
                        SER_CLOSE();
                        break;
                    case 2:
                        SER_SEND_BV(SysAllocStringByteLen("<65>", 4));
                        break;
                    default:
                        SER_RAWSEND_BV(SysAllocStringByteLen("B", 1));
                        break;
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    SER_CLOSE();
    for (int port = 1; port <= 3; ++port) {
        EXPECT_EQ(SER_OPEN(port, 9600), 1) << "COM" << port << " was stranded";
        SER_CLOSE();
    }
}

TEST(ser_versinfo, gives_a_new_caller_owned_string_any_time) {
    BSTR version = SER_VERSINFO();
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(handle_bytes(version), "v1.0, 26 May 2000, https://quillon.example.org/");
    BSTR again = SER_VERSINFO();
    EXPECT_NE(again, version);
    SysFreeString(version);
    SysFreeString(again);
}

TEST(string_handles, keep_the_ole_layout) {
    const char bytes[] = {'a', '\0', '\xff'};
    BSTR text = SysAllocStringByteLen(bytes, 3);
    ASSERT_NE(text, nullptr);
    std::uint32_t count = 0;
    std::memcpy(&count, text - 4, 4);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(SysStringByteLen(text), 3u);
    EXPECT_EQ(std::string(text, 3), std::string(bytes, 3));
    EXPECT_EQ(text[3], '\0');
    EXPECT_EQ(text[4], '\0');
    SysFreeString(text);

    BSTR zeroed = SysAllocStringByteLen(nullptr, 5);
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(handle_bytes(zeroed), std::string(5, '\0'));
    SysFreeString(zeroed);

    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

}  // namespace
}  // namespace quillon::serial
