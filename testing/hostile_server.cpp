#include "testing/hostile_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "testing/ser2net.h"

namespace quillon::test {

using serial::network::telnet::event;
using namespace std::string_literals;

const std::string agree = "\xff\xfd\x2c\xff\xfd\x00"s;
const std::string suspend = "\xff\xfa\x2c\x6c\xff\xf0"s;

std::string frame(unsigned char command, std::vector<unsigned char> value) {
    return serial::network::telnet::subnegotiation(command, value);
}
std::string echo(const event& e) { return frame(e.command + 100, e.value); }
std::string silent(const event&) { return {}; }
std::string baud_115200(const event& e) {
    return e.command == 1 ? frame(101, {0, 1, 194, 0}) : echo(e);
}
std::string all_wrong(const event& e) {
    if (e.command == 1) return baud_115200(e);
    const unsigned char v = e.value.at(0);  // break off (6) is answered with on, as ser2net does
    return frame(e.command + 100, {static_cast<unsigned char>(v == 6 ? 5 : v + 1)});
}

namespace {

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
    const linger now{1, 0};  // the close that follows sends a reset
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
}

}  // namespace

void run(const script& s, int fd, int stop, seen& out) {
    send_all(fd, stop, s.greeting);
    bool suspended = s.greeting.find(suspend) != std::string::npos;
    serial::network::telnet::reader reader;
    std::vector<event> events;
    char buffer[4096];
    for (int reads = 0; reads < 10000; ++reads) {
        if (!readable_before(fd, stop, suspended && s.resume_when_quiet ? 100 : 10000)) {
            if (!suspended || !s.resume_when_quiet) return;
            suspended = !send_all(fd, stop, frame(109, {}));
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
            // Until the sender gives up: a flood that ended first would close on the sender's
            // unread data, and that reset could reach the sender before its cap did. Bounded:
            // a sender that stalls without closing ends it within one 2 s wait, and 12 MB is
            // far more than the socket buffers on both sides hold.
            for (int i = 0; i < 2000000 && send_all(fd, stop, s.flood); ++i) {
            }
            return;
        }
        events.clear();
        reader.feed(got, events);
        for (const event& e : events) {
            if (s.answer == nullptr || e.command == 0) continue;
            std::uint32_t value = 0;
            for (const unsigned char byte : e.value) value = value << 8 | byte;
            out.commands.push_back(std::to_string(e.command) + "=" + std::to_string(value));
            const std::string answer = s.answer(e);
            if (answer.empty()) continue;
            if (s.answer_after_ms > 0 && readable_before(stop, stop, s.answer_after_ms)) return;
            send_all(fd, stop, answer);
        }
    }
}

}  // namespace quillon::test
