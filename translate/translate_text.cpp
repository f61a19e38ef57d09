// The tag scanner.
//
// How it works: the text is translated in one buffer. Everything before the scan start is
// finished output, compacted towards the front of the buffer as tags are replaced. A tag's bytes
// are never longer than the tag, and each of its fields gives at most one byte more than its
// characters, so they are written straight to the end of the finished output, behind the body
// still being read. When they hold a "<" (and may therefore start a new tag with what follows)
// they are moved to end where the tag ended, directly before the rest of the text, and the scan
// resumes at them: "<60>13>" gives 13 without ever copying the rest of the text. Bytes without a
// "<" cannot start a tag and text before a translated tag is never scanned again, so those are
// finished output. Either way the work is proportional to the length of the text.
//
// Text that arrives in pieces goes through the same loop: only a "<" whose run of body bytes
// reaches the end of the piece is undecided (the next byte may be the ">" that closes it), so
// the loop stops there and everything before it is finished.
#include <algorithm>
#include <cstring>

#include "translate/byte_classes.h"
#include "translate/byte_writers.h"
#include "translate/tag_findings.h"
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

enum class broken_look { none, found, undecided };

// At a "<" whose run of tag characters ended at a "-" or a blank: whether "<", then tag
// characters, "-" and blanks, then ">" spell a name. `text` starts at the "<".
broken_look look_for_broken_tag(std::string_view text, tag_findings& findings) {
    const std::size_t limit = std::min(text.size(), detail::broken_tag_longest);
    for (std::size_t close = 1; close < limit; ++close) {
        const auto b = static_cast<unsigned char>(text[close]);
        if (b == '>') {
            const std::string_view inside = text.substr(1, close - 1);
            const std::string_view name = detail::name_spelled_by(inside);
            if (name.empty()) return broken_look::none;
            findings.broken_tag(inside, name);
            return broken_look::found;
        }
        if (!detail::is_body_byte(b) && b != '-' && b != ' ') return broken_look::none;
    }
    return limit == text.size() ? broken_look::undecided : broken_look::none;
}

}  // namespace

namespace detail {

in_place_result translate_in_place(char* const data, const std::size_t end, const bool more_follows,
                                   tag_findings* const findings) {
    std::size_t output_end = 0;  // finished output is data[0, output_end)
    std::size_t scan_start = 0;  // data[scan_start, end) is still to be translated
    std::size_t search = 0;      // next position that may hold the "<" of a tag
    std::size_t held = end;      // an unfinished tag at the end of the data begins here
    bool held_run = true;

    while (search < end) {
        // Tags often follow one another ("<CR><LF>"): that "<" is found without a call.
        std::size_t open = search;
        if (data[search] != '<') {
            const void* found = std::memchr(data + search, '<', end - search);
            if (found == nullptr) break;
            open = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        }
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
            if (findings != nullptr && close != end && (data[close] == '-' || data[close] == ' ') &&
                look_for_broken_tag({data + open, end - open}, *findings) ==
                    broken_look::undecided &&
                more_follows) {
                held = open;
                held_run = false;
                break;
            }
            // No tag here: the run of body bytes cannot hold a "<", so the next candidate is
            // the byte that ended it. This keeps near misses such as "<A<A<A" linear.
            search = close;
            continue;
        }

        const std::size_t plain = open - scan_start;
        if (output_end != scan_start) move_bytes(data + output_end, data + scan_start, plain);
        output_end += plain;

        // Written behind the reading: output_end <= open, and no field gives more than one byte
        // beyond its characters and its comma.
        const std::string_view body(data + open + 1, close - open - 1);
        char* const produced_begin = data + output_end;
        const std::size_t produced =
            write_tag_bytes(body, produced_begin, findings) - produced_begin;

        if (!holds_open_bracket(produced_begin, produced)) {
            output_end += produced;
            scan_start = search = close + 1;
        } else {
            const std::size_t resume = close + 1 - produced;
            std::memmove(data + resume, produced_begin, produced);
            scan_start = search = resume;
        }
    }

    if (output_end != scan_start) {
        std::memmove(data + output_end, data + scan_start, held - scan_start);
    }
    return {output_end + (held - scan_start), held, held_run};
}

}  // namespace detail

std::string TRANSLATE_TEXT(std::string_view text) {
    std::string buffer(text);
    buffer.resize(detail::translate_in_place(buffer.data(), buffer.size(), false).translated);
    return buffer;
}

}  // namespace quillon
