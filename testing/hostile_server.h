// Scripts for small misbehaving servers on 127.0.0.1 (run by a test::local_peer): what they
// send at once, how they answer COM-PORT commands, and how they flood, reset or hold data back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/network/telnet.h"

namespace quillon::test {

std::string frame(unsigned char command, std::vector<unsigned char> value);
extern const std::string agree;    // DO COM-PORT-OPTION, DO BINARY
extern const std::string suspend;  // FLOWCONTROL-SUSPEND (108)
inline constexpr std::size_t never = SIZE_MAX;

using answer_fn = std::string (*)(const serial::network::telnet::event&);
std::string echo(const serial::network::telnet::event& e);    // the value asked for
std::string silent(const serial::network::telnet::event& e);  // nothing
std::string baud_115200(const serial::network::telnet::event& e);
std::string all_wrong(const serial::network::telnet::event& e);  // 115200, break on, value + 1

struct script {
    std::string greeting;            // sent at once
    answer_fn answer = nullptr;      // to each COM-PORT command; null: a raw server
    std::string flood{};             // sent once data has come, until the sender goes away
    std::size_t reset_at = never;    // resets once this many data bytes have come
    bool reset_at_end = false;       // resets instead of closing when our end comes
    bool resume_when_quiet = false;  // FLOWCONTROL-RESUME once nothing came for 100 ms
    int answer_after_ms = 0;         // each answer waits this long (or until stop)
};

struct seen {
    std::size_t data = 0;               // data bytes: 'Q', which no command of ours holds
    std::size_t while_suspended = 0;    // of them, before the server resumed
    std::vector<std::string> commands;  // each COM-PORT command as "COMMAND=VALUE"
};

// Plays the script on an accepted connection until our end comes or stop is readable; every
// loop is bounded in count and time.
void run(const script& s, int fd, int stop, seen& out);

}  // namespace quillon::test
