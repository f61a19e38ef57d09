// The tag scanner.
//
// How it works: the text is copied once into a working buffer. Everything before the scan start
// is finished output, compacted towards the front of the buffer as tags are replaced. A tag's
// bytes are never longer than the tag, so when they hold a "<" (and may therefore start a new tag
// with what follows) they are written back in place, ending where the tag ended, directly before
// the rest of the text, and the scan resumes at them: "<60>13>" gives 13 without ever copying the
// rest of the text. Bytes without a "<" cannot start a tag and text before a translated tag is
// never scanned again, so those go straight to the finished output. Either way the work is
// proportional to the length of the text.
//
// Text that arrives in pieces goes through the same loop: only a "<" whose run of body bytes
// reaches the end of the piece is undecided (the next byte may be the ">" that closes it), so
// the loop stops there and everything before it is finished.
#include <cstring>

#include "translate/byte_classes.h"
#include "translate/byte_writers.h"
#include "translate/translate.h"
#include "translate/translate_in_place.h"

namespace quillon {
namespace {

// Most moves here are a few bytes long (the text between two tags, one tag's bytes); a plain
// loop beats a library call for those.
void move_bytes(char* to, const char* from, std::size_t count) {
    if (count > 16) {
        std::memmove(to, from, count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
}

bool holds_open_bracket(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '<') return true;
    }
    return false;
}

}  // namespace

namespace detail {

in_place_result translate_in_place(char* const data, const std::size_t end, const bool more_follows,
                                   std::string& scratch) {
    std::size_t output_end = 0;  // finished output is data[0, output_end)
    std::size_t scan_start = 0;  // data[scan_start, end) is still to be translated
    std::size_t search = 0;      // next position that may hold the "<" of a tag
    std::size_t held = end;      // an unfinished tag at the end of the data begins here

    while (search < end) {
        const void* found = std::memchr(data + search, '<', end - search);
        if (found == nullptr) break;
        const std::size_t open = static_cast<const char*>(found) - data;
        std::size_t close = open + 1;
        while (close < end && is_body_byte(static_cast<unsigned char>(data[close]))) {
            ++close;
        }
        if (close == end || close == open + 1 || data[close] != '>') {
            // A run that reaches the end of what has arrived is undecided: the byte after it
            // may be the ">" that closes it.
            if (close == end && more_follows) {
                held = open;
                break;
            }
            // No tag here: the run of body bytes cannot hold a "<", so the next candidate is
            // the byte that ended it. This keeps near misses such as "<A<A<A" linear.
            search = close;
            continue;
        }

        const std::string_view body(data + open + 1, close - open - 1);
        if (scratch.size() < body.size() + 1) scratch.resize(body.size() + 1);
        const std::size_t produced = write_tag_bytes(body, scratch.data()) - scratch.data();

        const std::size_t plain = open - scan_start;
        if (output_end != scan_start) move_bytes(data + output_end, data + scan_start, plain);
        output_end += plain;

        if (!holds_open_bracket(scratch.data(), produced)) {
            move_bytes(data + output_end, scratch.data(), produced);
            output_end += produced;
            scan_start = search = close + 1;
        } else {
            const std::size_t resume = close + 1 - produced;
            move_bytes(data + resume, scratch.data(), produced);
            scan_start = search = resume;
        }
    }

    if (output_end != scan_start) {
        std::memmove(data + output_end, data + scan_start, held - scan_start);
    }
    return {output_end + (held - scan_start), held};
}

}  // namespace detail

std::string TRANSLATE_TEXT(std::string_view text) {
    std::string buffer(text);
    std::string scratch;  // one tag's bytes
    buffer.resize(
        detail::translate_in_place(buffer.data(), buffer.size(), false, scratch).translated);
    return buffer;
}

}  // namespace quillon
