// The tag scanner.
//
// How it works: the text is copied once into a working buffer. Everything before the scan start
// is finished output; it is compacted towards the front of the buffer as tags are replaced.
// A tag's bytes are never longer than the tag itself, so they are written back in place, ending
// where the tag ended, directly before the rest of the text, and the scan resumes at them. The
// produced bytes are thereby scanned again together with what follows ("<60>13>" gives 13)
// without ever copying the rest of the text, which keeps the whole translation linear.
#include <cstring>

#include "translate/byte_classes.h"
#include "translate/translate.h"

namespace quillon {

std::string TRANSLATE_TEXT(std::string_view text) {
    std::string buffer(text);
    char* const data = buffer.data();
    const std::size_t end = buffer.size();

    std::size_t output_end = 0;  // finished output is data[0, output_end)
    std::size_t scan_start = 0;  // data[scan_start, end) is still to be translated
    std::size_t search = 0;      // next position that may hold the "<" of a tag
    std::string tag_bytes;

    while (search < end) {
        const void* found = std::memchr(data + search, '<', end - search);
        if (found == nullptr) break;
        const std::size_t open = static_cast<const char*>(found) - data;
        std::size_t close = open + 1;
        while (close < end && detail::is_body_byte(static_cast<unsigned char>(data[close]))) {
            ++close;
        }
        // No tag here: the run of body bytes cannot hold a "<", so the next candidate is the
        // byte that ended it. This keeps near misses such as "<A<A<A" linear.
        if (close == open + 1 || close == end || data[close] != '>') {
            search = close;
            continue;
        }

        tag_bytes.clear();
        append_tag_bytes(std::string_view(data + open + 1, close - open - 1), tag_bytes);

        const std::size_t plain = open - scan_start;
        if (output_end != scan_start) std::memmove(data + output_end, data + scan_start, plain);
        output_end += plain;

        const std::size_t resume = close + 1 - tag_bytes.size();
        std::memcpy(data + resume, tag_bytes.data(), tag_bytes.size());
        scan_start = search = resume;
    }

    if (output_end != scan_start) {
        std::memmove(data + output_end, data + scan_start, end - scan_start);
    }
    buffer.resize(output_end + (end - scan_start));
    return buffer;
}

}  // namespace quillon
