#include "cli/stream_output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>

#include "serial/write_all.h"

namespace quillon::cli {
namespace {

// Pieces of 128 KiB, as cat reads them: each read and write then moves enough bytes that the
// system calls cost little, and the buffer is small enough to stay in the processor's cache.
// It is reused for every piece, so its pages fault in once (a page fault costs 10-13 us on
// these virtual machines, far more than translating a page).
constexpr std::size_t piece_size = 128 * 1024;

// MinGW's read and write take an unsigned int count, and Linux moves at most 0x7ffff000 bytes
// per call anyway.
constexpr std::size_t most_per_call = std::size_t{1} << 30;

long real_read(int fd, char* to, std::size_t count) {
    return static_cast<long>(::read(fd, to, std::min(count, most_per_call)));
}
long real_write(int fd, const char* from, std::size_t count) {
    return static_cast<long>(::write(fd, from, std::min(count, most_per_call)));
}

// Bytes read, 0 at the end, -1 when the read failed. A signal that interrupts the read does
// not end the input.
long read_some(int fd, std::span<char> into, const stream_calls& calls) {
    for (;;) {
        const long n = calls.read(fd, into.data(), into.size());
        if (n >= 0 || errno != EINTR) return n;
    }
}

// Hands every finished piece of the input to `give` (false from it stops the reading).
template <typename Give>
stream_status pump(int in, text_to_bytes& step, const stream_calls& calls, Give give) {
    for (;;) {
        const std::span<char> room = step.room(piece_size);
        const long n = read_some(in, room.first(piece_size), calls);
        if (n < 0) return stream_status::read_failed;
        const std::string_view finished =
            n == 0 ? step.finish() : step.convert_written(static_cast<std::size_t>(n));
        if (!give(finished)) return stream_status::write_failed;
        if (n == 0) return stream_status::done;
    }
}

}  // namespace

const stream_calls& real_stream_calls() {
    static const stream_calls real{real_read, real_write};
    return real;
}

bool write_all(int fd, std::string_view bytes, const stream_calls& calls) {
    return serial::write_all(
        [&](const char* from, std::size_t count) { return calls.write(fd, from, count); }, bytes);
}

stream_status stream_input(int in, int out, text_to_bytes& step, const stream_calls& calls) {
    return pump(in, step, calls,
                [&](std::string_view bytes) { return write_all(out, bytes, calls); });
}

bool feed_input(int in, text_to_bytes& step, const std::function<void(std::string_view)>& take,
                const stream_calls& calls) {
    return pump(in, step, calls, [&](std::string_view finished) {
               take(finished);
               return true;
           }) == stream_status::done;
}

bool read_whole_input(int in, text_to_bytes& step, std::string& bytes, const stream_calls& calls) {
    return pump(in, step, calls, [&](std::string_view finished) {
               bytes.append(finished);
               return true;
           }) == stream_status::done;
}

}  // namespace quillon::cli
