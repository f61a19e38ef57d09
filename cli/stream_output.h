// quillon-send's input and output: standard input read in pieces into the text-to-bytes step's
// one buffer, converted there piece by piece, and written out as soon as bytes are final.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "translate/text_to_bytes.h"

namespace quillon::cli {

// The two system calls used here, replaceable so that a test can interrupt a call or make it
// take fewer bytes than asked. Each returns what read(2) and write(2) return.
struct stream_calls {
    long (*read)(int fd, char* to, std::size_t count);
    long (*write)(int fd, const char* from, std::size_t count);
};
const stream_calls& real_stream_calls();

enum class stream_status { done, read_failed, write_failed };

// Writes every byte, again after an interrupted call and after a short write. False when a
// write fails (or takes nothing); bytes before the failure may have been written.
bool write_all(int fd, std::string_view bytes, const stream_calls& calls = real_stream_calls());

// Reads `in` to its end and writes it to `out` through the step (the bytes of the whole text,
// and its notes, are those of the text given whole). Memory stays the same whatever the length
// of the input, except while a run of tag characters after a "<" is still open (see
// translate/stream_translator.h). Stops at the first failure; what was final before it has
// been written.
stream_status stream_input(int in, int out, text_to_bytes& step,
                           const stream_calls& calls = real_stream_calls());

// Reads `in` to its end and hands the bytes to `take` piece by piece as they are finished: for
// a consumer that keeps no copy, such as the preview's display. False when a read fails.
bool feed_input(int in, text_to_bytes& step, const std::function<void(std::string_view)>& take,
                const stream_calls& calls = real_stream_calls());

// Reads `in` to its end into `bytes`: for a real send, which writes the whole text at once.
// False when a read fails.
bool read_whole_input(int in, text_to_bytes& step, std::string& bytes,
                      const stream_calls& calls = real_stream_calls());

}  // namespace quillon::cli
