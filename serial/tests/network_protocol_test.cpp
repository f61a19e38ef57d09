// The network part without a network: target names, and the telnet bytes that go out and what
// is made of the bytes that come in (RFC 854, RFC 2217), as literal byte strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/network/target.h"
#include "serial/network/telnet.h"
#include "testing/pty.h"

namespace quillon::serial::network {
namespace {

using namespace std::string_literals;

struct target_case {
    const char* what;
    std::string path;
    bool network_path;
    std::optional<target> parsed;
};
void PrintTo(const target_case& c, std::ostream* os) { *os << c.what; }

class target_names : public ::testing::TestWithParam<target_case> {};

TEST_P(target_names, are_told_apart_from_device_paths_and_parsed_strictly) {
    const target_case& c = GetParam();
    EXPECT_EQ(is_network_path(c.path), c.network_path) << c.path;
    EXPECT_EQ(parse_target(c.path), c.parsed) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    cases, target_names,
    ::testing::Values(
        target_case{"raw", "tcp://displaypi:4001", true, target{scheme::tcp, "displaypi", 4001}},
        target_case{"telnet com port", "rfc2217://127.0.0.1:2217", true,
                    target{scheme::rfc2217, "127.0.0.1", 2217}},
        target_case{"scheme in capitals", "RFC2217://host:1", true,
                    target{scheme::rfc2217, "host", 1}},
        target_case{"highest port", "tcp://a.b-c_d:65535", true,
                    target{scheme::tcp, "a.b-c_d", 65535}},
        target_case{"ipv6 in brackets", "tcp://[::1]:2000", true, target{scheme::tcp, "::1", 2000}},
        target_case{"device path", "/dev/ttyUSB0", false, std::nullopt},
        target_case{"com name", "COM1", false, std::nullopt},
        target_case{"windows device path", "\\\\.\\COM10", false, std::nullopt},
        target_case{"colon without slashes", "tcp:host:1", false, std::nullopt},
        target_case{"scheme starts with a digit", "2217://host:1", false, std::nullopt},
        target_case{"unknown scheme", "udp://host:1", true, std::nullopt},
        target_case{"telnet is not rfc2217", "telnet://host:23", true, std::nullopt},
        target_case{"no port", "rfc2217://host", true, std::nullopt},
        target_case{"empty port", "tcp://host:", true, std::nullopt},
        target_case{"port zero", "tcp://host:0", true, std::nullopt},
        target_case{"port too high", "tcp://host:65536", true, std::nullopt},
        target_case{"port far too high", "tcp://host:4294967297", true, std::nullopt},
        target_case{"signed port", "tcp://host:+80", true, std::nullopt},
        target_case{"no host", "tcp://:2217", true, std::nullopt},
        target_case{"nothing at all", "tcp://", true, std::nullopt},
        target_case{"path after port", "tcp://host:2217/x", true, std::nullopt},
        target_case{"blank after port", "tcp://host:2217 ", true, std::nullopt},
        target_case{"user in front", "tcp://me@host:2217", true, std::nullopt},
        target_case{"ipv6 without brackets", "tcp://::1:2000", true, std::nullopt},
        target_case{"unclosed bracket", "tcp://[::1:2000", true, std::nullopt},
        target_case{"zero byte in host", "tcp://ho\0st:1"s, true, std::nullopt}),
    [](const auto& info) { return test::test_name(info.param.what); });

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

struct encode_case {
    const char* what;
    std::string data;
    bool binary;
    std::string wire;
};
void PrintTo(const encode_case& c, std::ostream* os) { *os << c.what; }

class data_encoding : public ::testing::TestWithParam<encode_case> {};

TEST_P(data_encoding, doubles_255_and_stuffs_cr_only_outside_binary) {
    const encode_case& c = GetParam();
    std::string wire = "kept";
    telnet::encode_data(c.data, c.binary, wire);
    EXPECT_EQ(wire, "kept" + c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    cases, data_encoding,
    ::testing::Values(
        encode_case{"empty", "", true, ""}, encode_case{"plain text", "Hi", true, "Hi"},
        encode_case{"one 255", bytes({255}), true, bytes({255, 255})},
        encode_case{"255 among zeros", bytes({0, 255, 0, 255, 255}), true,
                    bytes({0, 255, 255, 0, 255, 255, 255, 255})},
        encode_case{"cr in binary stays", bytes({13, 10, 13}), true, bytes({13, 10, 13})},
        encode_case{"cr outside binary gets nul", bytes({13, 10, 13, 65}), false,
                    bytes({13, 0, 10, 13, 0, 65})},
        encode_case{"255 outside binary", bytes({255, 13}), false, bytes({255, 255, 13, 0})}),
    [](const auto& info) { return test::test_name(info.param.what); });

TEST(data_encoding, every_byte_value_once_gives_257_bytes_with_255_doubled) {
    std::string wire;
    telnet::encode_data(test::all_byte_values(), true, wire);
    EXPECT_EQ(wire, test::all_byte_values() + bytes({255}));
}

TEST(subnegotiation, frames_a_command_with_255_doubled_in_the_value) {
    const struct {
        unsigned char command;
        std::vector<unsigned char> value;
        std::string frame;
    } table[] = {
        {telnet::set_baudrate, {0, 0, 4, 176}, bytes({255, 250, 44, 1, 0, 0, 4, 176, 255, 240})},
        {telnet::set_baudrate, {0, 0, 37, 128}, bytes({255, 250, 44, 1, 0, 0, 37, 128, 255, 240})},
        {telnet::set_datasize, {8}, bytes({255, 250, 44, 2, 8, 255, 240})},
        {telnet::set_parity, {1}, bytes({255, 250, 44, 3, 1, 255, 240})},
        {telnet::set_stopsize, {1}, bytes({255, 250, 44, 4, 1, 255, 240})},
        {telnet::set_control, {12}, bytes({255, 250, 44, 5, 12, 255, 240})},
        {telnet::set_baudrate,
         {0, 0, 255, 255},
         bytes({255, 250, 44, 1, 0, 0, 255, 255, 255, 255, 255, 240})},
    };
    for (const auto& row : table) {
        EXPECT_EQ(telnet::subnegotiation(row.command, row.value), row.frame);
    }
}

// One conversation per row: what the server says, in order, and what we answer to each.
struct negotiation_case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> exchange;  // received, answered
    bool com_port;                                              // we_do(44) at the end
    bool binary;
};
void PrintTo(const negotiation_case& c, std::ostream* os) { *os << c.what; }

class negotiation : public ::testing::TestWithParam<negotiation_case> {};

TEST_P(negotiation, agrees_to_three_options_refuses_the_rest_and_never_answers_twice) {
    const negotiation_case& c = GetParam();
    telnet::negotiation n;
    ASSERT_EQ(n.opening(), bytes({255, 251, 44, 255, 251, 0}));
    EXPECT_FALSE(n.settled(44));
    for (const auto& [received, answered] : c.exchange) {
        ASSERT_EQ(received.size(), 3u);
        EXPECT_EQ(n.answer(static_cast<unsigned char>(received[1]),
                           static_cast<unsigned char>(received[2])),
                  answered)
            << c.what;
    }
    EXPECT_EQ(n.we_do(44), c.com_port) << c.what;
    EXPECT_EQ(n.we_do(0), c.binary) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    cases, negotiation,
    ::testing::Values(
        // What ser2net 4.3.11 sends on connect, and once more DO SGA after our WILL SGA.
        negotiation_case{"ser2net offers",
                         {{bytes({255, 251, 3}), bytes({255, 253, 3})},
                          {bytes({255, 253, 3}), bytes({255, 251, 3})},
                          {bytes({255, 251, 1}), bytes({255, 254, 1})},
                          {bytes({255, 254, 1}), ""},
                          {bytes({255, 253, 0}), ""},
                          {bytes({255, 251, 0}), bytes({255, 253, 0})},
                          {bytes({255, 253, 44}), ""},
                          {bytes({255, 253, 3}), ""}},
                         true,
                         true},
        negotiation_case{"refused com port option",
                         {{bytes({255, 254, 44}), ""}, {bytes({255, 254, 0}), ""}},
                         false,
                         false},
        negotiation_case{"unknown option refused once",
                         {{bytes({255, 253, 24}), bytes({255, 252, 24})},
                          {bytes({255, 253, 24}), ""},
                          {bytes({255, 251, 31}), bytes({255, 254, 31})},
                          {bytes({255, 251, 31}), ""}},
                         false,
                         false},
        negotiation_case{"agreed then withdrawn",
                         {{bytes({255, 253, 44}), ""},
                          {bytes({255, 254, 44}), bytes({255, 252, 44})},
                          {bytes({255, 254, 44}), ""},
                          {bytes({255, 253, 44}), bytes({255, 251, 44})}},
                         true,
                         false},
        negotiation_case{"server stops suppressing go ahead",
                         {{bytes({255, 251, 3}), bytes({255, 253, 3})},
                          {bytes({255, 252, 3}), bytes({255, 254, 3})},
                          {bytes({255, 252, 3}), ""},
                          {bytes({255, 252, 99}), ""}},
                         false,
                         false}),
    [](const auto& info) { return test::test_name(info.param.what); });

struct reader_case {
    const char* what;
    std::vector<std::string> pieces;  // the stream, split where the network split it
    std::vector<telnet::event> events;
    bool overflowed = false;  // a subnegotiation went past the cap
};
void PrintTo(const reader_case& c, std::ostream* os) { *os << c.what; }

telnet::event verb(int v, int option) {
    return {telnet::event::type::negotiation,
            static_cast<unsigned char>(v),
            static_cast<unsigned char>(option),
            0,
            {}};
}
telnet::event reply(int command, std::vector<unsigned char> value) {
    return {telnet::event::type::com_port, 0, 0, static_cast<unsigned char>(command),
            std::move(value)};
}

class stream_reader : public ::testing::TestWithParam<reader_case> {};

TEST_P(stream_reader, finds_commands_and_replies_in_any_split_and_drops_data) {
    const reader_case& c = GetParam();
    telnet::reader r;
    std::vector<telnet::event> events;
    for (const std::string& piece : c.pieces) r.feed(piece, events);
    EXPECT_EQ(events, c.events) << c.what;
    EXPECT_EQ(r.overflowed(), c.overflowed) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    cases, stream_reader,
    ::testing::Values(
        reader_case{"data only", {"hello" + bytes({0, 13, 10})}, {}},
        reader_case{"doubled 255 is data", {bytes({65, 255, 255, 66})}, {}},
        reader_case{"offers", {bytes({255, 251, 3, 255, 253, 44})}, {verb(251, 3), verb(253, 44)}},
        // The answer to SET-BAUDRATE 1200 as ser2net sends it.
        reader_case{"baud reply",
                    {bytes({255, 250, 44, 101, 0, 0, 4, 176, 255, 240})},
                    {reply(101, {0, 0, 4, 176})}},
        reader_case{"reply split everywhere",
                    {bytes({255}), bytes({250}), bytes({44, 101, 0}), bytes({0, 4}),
                     bytes({176, 255}), bytes({240})},
                    {reply(101, {0, 0, 4, 176})}},
        reader_case{"doubled 255 in a value",
                    {bytes({255, 250, 44, 101, 0, 0, 255, 255, 255, 255, 255, 240})},
                    {reply(101, {0, 0, 255, 255})}},
        reader_case{"data around a notification",
                    {bytes({1, 255, 250, 44, 107, 0, 255, 240, 2, 255, 251, 0})},
                    {reply(107, {0}), verb(251, 0)}},
        reader_case{"other option's subnegotiation skipped",
                    {bytes({255, 250, 24, 1, 255, 240, 255, 250, 44, 105, 1, 255, 240})},
                    {reply(105, {1})}},
        reader_case{
            "nop and go ahead ignored", {bytes({255, 241, 255, 249, 255, 253, 3})}, {verb(253, 3)}},
        reader_case{"empty subnegotiation gives nothing", {bytes({255, 250, 44, 255, 240})}, {}},
        reader_case{"overlong subnegotiation cut off",
                    {bytes({255, 250, 44, 100}) + std::string(1000, 'x') + bytes({255, 240})},
                    {reply(100, std::vector<unsigned char>(255, 'x'))},
                    true},
        reader_case{"longest subnegotiation kept whole",
                    {bytes({255, 250, 44, 100}) + std::string(255, 'x') + bytes({255, 240})},
                    {reply(100, std::vector<unsigned char>(255, 'x'))}}),
    [](const auto& info) { return test::test_name(info.param.what); });

}  // namespace
}  // namespace quillon::serial::network
