// quillon-send's input and output functions on real files, /dev/full and a directory; the
// system-call seam only for what those cannot show: interrupted and short reads and writes, and
// a write that takes nothing.
#include "cli/stream_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "testing/pty.h"

namespace quillon::cli {
namespace {

int calls = 0;

// Every other call is interrupted; the others move at most a few bytes.
long interrupted_short_read(int fd, char* to, std::size_t count) {
    if (++calls % 2 == 1) {
        errno = EINTR;
        return -1;
    }
    return real_stream_calls().read(fd, to, std::min<std::size_t>(count, 5));
}
long interrupted_short_write(int fd, const char* from, std::size_t count) {
    if (++calls % 2 == 1) {
        errno = EINTR;
        return -1;
    }
    return real_stream_calls().write(fd, from, std::min<std::size_t>(count, 3));
}
// Takes nothing and reports nothing (with a stale EINTR left in errno); after 100 calls a
// failure, so that a loop that kept trying ends.
long takes_nothing(int, const char*, std::size_t) {
    errno = ++calls > 100 ? EIO : EINTR;
    return calls > 100 ? -1 : 0;
}

const stream_calls interrupted_and_short{interrupted_short_read, interrupted_short_write};

// A file in the temporary folder, removed at the end; fd is open for reading and writing.
class temp_file {
  public:
    explicit temp_file(const std::string& content = {}) {
        fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        EXPECT_TRUE(write_all(fd, content));
        EXPECT_EQ(lseek(fd, 0, SEEK_SET), 0);
    }
    ~temp_file() {
        close(fd);
        unlink(path);
    }
    temp_file(const temp_file&) = delete;
    temp_file& operator=(const temp_file&) = delete;

    std::string content() const {
        std::string all;
        char buffer[65536];
        long n = 0;
        for (off_t at = 0; (n = pread(fd, buffer, sizeof buffer, at)) > 0; at += n) {
            all.append(buffer, static_cast<std::size_t>(n));
        }
        return all;
    }

    char path[64] = "/tmp/quillon-stream-test-XXXXXX";
    int fd = -1;
};

std::string repeat(const std::string& unit, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += unit;
    return all;
}

struct stream_case {
    bool translate;
    std::string input;
    std::string expected;
};

std::vector<stream_case> stream_cases() {
    return {
        {true, repeat("<60>13>Hi<CR,LF><254,1>", 1000), repeat("\rHi\r\n\xfe\x01", 1000)},
        {true, "x<6", "x<6"},
        {false, repeat(test::all_byte_values(), 64), repeat(test::all_byte_values(), 64)},
        {false, "<13>", "<13>"},
    };
}

text_settings tags_if(bool translate) { return {std::nullopt, translate}; }

TEST(stream_input, interrupted_and_short_calls_lose_no_byte) {
    for (const auto& c : stream_cases()) {
        temp_file in(c.input), out;
        calls = 0;
        text_to_bytes step(tags_if(c.translate));
        EXPECT_EQ(stream_input(in.fd, out.fd, step, interrupted_and_short), stream_status::done);
        EXPECT_TRUE(out.content() == c.expected) << c.input.substr(0, 40);
    }
}

TEST(read_whole_input, interrupted_and_short_reads_lose_no_byte) {
    for (const auto& c : stream_cases()) {
        temp_file in(c.input);
        std::string bytes = "kept ";
        calls = 0;
        text_to_bytes step(tags_if(c.translate));
        EXPECT_TRUE(read_whole_input(in.fd, step, bytes, interrupted_and_short));
        EXPECT_TRUE(bytes == "kept " + c.expected) << c.input.substr(0, 40);
    }
}

TEST(stream_input, stops_at_a_write_that_fails_or_takes_nothing) {
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);  // every write fails: ENOSPC
    ASSERT_GE(full, 0);
    const stream_calls nothing_taken{real_stream_calls().read, takes_nothing};
    for (const bool translate : {true, false}) {
        temp_file in("<13>text"), out;
        text_to_bytes first(tags_if(translate)), second(tags_if(translate));
        EXPECT_EQ(stream_input(in.fd, full, first), stream_status::write_failed);
        EXPECT_EQ(lseek(in.fd, 0, SEEK_SET), 0);
        calls = 0;
        EXPECT_EQ(stream_input(in.fd, out.fd, second, nothing_taken), stream_status::write_failed);
        EXPECT_EQ(calls, 1);
    }
    close(full);
}

TEST(stream_input, stops_at_a_read_that_fails) {
    const int folder = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // read gives EISDIR
    ASSERT_GE(folder, 0);
    temp_file out;
    std::string bytes;
    for (const bool translate : {true, false}) {
        text_to_bytes first(tags_if(translate)), second(tags_if(translate));
        EXPECT_EQ(stream_input(folder, out.fd, first), stream_status::read_failed);
        EXPECT_FALSE(read_whole_input(folder, second, bytes));
    }
    EXPECT_EQ(out.content(), "");
    close(folder);
}

}  // namespace
}  // namespace quillon::cli
