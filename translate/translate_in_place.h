// The scanner's core, shared by the whole-text translation and the translator fed in pieces.
#pragma once

#include <cstddef>

namespace quillon {
class tag_findings;
}

namespace quillon::detail {

struct in_place_result {
    std::size_t translated = 0;  // data[0, translated) is finished output
    std::size_t held = 0;        // data[held, end) is an unfinished tag (empty when held == end)
    bool held_run = true;        // it is "<" and tag characters only, not a broken tag's start
};

// Translates data[0, end) in place (the output is never longer than the text). With
// more_follows false this is the whole text and nothing is held. With more_follows true, a "<"
// whose run of body characters reaches the end of the data may still become a tag once more
// text arrives: scanning stops there, everything before it is finished, and data[held, end) is
// that "<" (taken from the text or produced by a tag) with the body characters after it.
// With findings, the scan tells them each unknown name and each broken tag it meets
// (translate/tag_findings.h); a broken tag that reaches the end of the data is then held as well
// while more follows, so that pieces find what the whole text finds.
in_place_result translate_in_place(char* data, std::size_t end, bool more_follows,
                                   tag_findings* findings = nullptr);

}  // namespace quillon::detail
