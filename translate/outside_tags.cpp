#include "translate/outside_tags.h"

#include "translate/byte_classes.h"

namespace quillon {

bool outside_tags_holds_any(std::string_view text, std::string_view bytes) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '<') {
            // A tag is "<", one or more body bytes, ">"; a "<" ends any run, so each byte is
            // looked at once or twice.
            std::size_t close = at + 1;
            while (close < text.size() &&
                   detail::is_body_byte(static_cast<unsigned char>(text[close]))) {
                ++close;
            }
            if (close > at + 1 && close < text.size() && text[close] == '>') {
                at = close + 1;
                continue;
            }
        }
        if (bytes.find(text[at]) != std::string_view::npos) return true;
        ++at;
    }
    return false;
}

}  // namespace quillon
