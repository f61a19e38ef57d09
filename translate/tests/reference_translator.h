// The scanner written the slow, literal way: splice each tag's bytes into a new copy of the
// whole text and search again from where they begin. Quadratic, but obviously right; the fast
// scanner is checked against it.
#pragma once

#include <string>
#include <string_view>

#include "translate/translate.h"

namespace quillon::test {

inline bool reference_is_body_byte(unsigned char b) {
    return (b >= 65 && b <= 122) || (b >= '0' && b <= '9') || b == ',';
}

inline std::string reference_translate_text(std::string_view input) {
    std::string text(input);
    std::size_t start = 0;
    for (;;) {
        std::size_t open = start, close = 0;
        bool found = false;
        for (; open < text.size(); ++open) {
            if (text[open] != '<') continue;
            close = open + 1;
            while (close < text.size() && reference_is_body_byte(text[close])) ++close;
            if (close > open + 1 && close < text.size() && text[close] == '>') {
                found = true;
                break;
            }
        }
        if (!found) return text;
        const std::string out =
            TRANSLATE_TAG(std::string_view(text).substr(open + 1, close - open - 1));
        text = text.substr(0, open) + out + text.substr(close + 1);
        start = open;
    }
}

}  // namespace quillon::test
