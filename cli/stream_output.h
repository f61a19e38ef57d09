// quillon-send's input and output: standard input read in pieces into one reused buffer,
// translated piece by piece, and written out as soon as bytes are final.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillon::cli {

// The two system calls used here, replaceable so that a test can interrupt a call or make it
// take fewer bytes than asked. Each returns what read(2) and write(2) return.
struct stream_calls {
    long (*read)(int fd, char* to, std::size_t count);
    long (*write)(int fd, const char* from, std::size_t count);
};
const stream_calls& real_stream_calls();

enum class stream_status { done, read_failed, write_failed };

// Sees each piece of the input as it was read, before any translation: for a check beside the
// translator, such as the one for unknown names. None by default.
using typed_observer = std::function<void(std::string_view)>;

// Writes every byte, again after an interrupted call and after a short write. False when a
// write fails (or takes nothing); bytes before the failure may have been written.
bool write_all(int fd, std::string_view bytes, const stream_calls& calls = real_stream_calls());

// Reads `in` to its end and writes it to `out`, translated when `translate` (the bytes of the
// whole text, TRANSLATE_TEXT), otherwise unchanged. Memory stays the same whatever the length
// of the input, except while a run of tag characters after a "<" is still open (see
// translate/stream_translator.h). Stops at the first failure; what was final before it has
// been written.
stream_status stream_input(int in, int out, bool translate,
                           const stream_calls& calls = real_stream_calls(),
                           const typed_observer& typed = {});

// Reads `in` to its end and hands the bytes to `take` piece by piece as they are finished,
// translated when `translate`: for a consumer that keeps no copy, such as the preview's
// display. False when a read fails.
bool feed_input(int in, bool translate, const std::function<void(std::string_view)>& take,
                const stream_calls& calls = real_stream_calls(), const typed_observer& typed = {});

// Reads `in` to its end into `bytes`, translated when `translate`: for a real send, which
// writes the whole text at once. False when a read fails.
bool read_whole_input(int in, bool translate, std::string& bytes,
                      const stream_calls& calls = real_stream_calls(),
                      const typed_observer& typed = {});

}  // namespace quillon::cli
