// Translation of a text that arrives in pieces, such as standard input read chunk by chunk.
//
// The bytes given out, taken together, are exactly TRANSLATE_TEXT of the whole text. Each piece
// is read into the translator's one buffer and translated there in place, and everything before
// an unfinished tag is given out at once. Only a "<" (from the text or produced by a tag)
// followed by body characters up to the end of what has arrived is held back, since the next
// byte may be the ">" that makes it a tag. Any byte that is not a body character (a blank, a line
// break, "<", ">", a zero byte, a byte above 122, ...) decides such a run, so ordinary text never
// makes the translator hold more than its longest run of letters, digits, commas and [\]^_`
// after a "<".
//
// A tag has no length limit ("<000...013>" of any length is 13, "<\text>" gives the text in
// capitals), so a run of body characters is held for as long as it goes on: until its end, the
// bytes to give out depend on a byte that has not arrived.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

class tag_findings;

class stream_translator {
  public:
    // With findings, the scan tells them each unknown name and broken tag it meets, as the whole
    // text's scan would (a broken tag cut by the end of a piece is held until it is decided).
    explicit stream_translator(tag_findings* findings = nullptr) : findings_(findings) {}

    // Room for the next piece, after the bytes held back: at least `size` bytes (more when the
    // buffer has them). Valid until the next call of any member.
    std::span<char> room(std::size_t size);

    // Translates the `count` bytes just written at the start of room() (count <= its size) and
    // returns the bytes now finished, valid until the next call of any member.
    std::string_view translate_written(std::size_t count);

    // Copies a piece into room() and translates it: the same as the two steps above.
    std::string_view translate(std::string_view piece);

    // The text has ended: returns the bytes still held back, unchanged (a "<" that was never
    // closed is no tag), valid until the next call. The translator then takes a new text.
    std::string_view finish();

    // How many bytes are held back now, and the size of the one buffer. The buffer grows only
    // when the bytes held back and the next piece do not fit in it together.
    std::size_t held_back() const { return held_end_ - held_begin_; }
    std::size_t buffer_size() const { return capacity_; }

  private:
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t held_begin_ = 0;  // buffer_[held_begin_, held_end_) is held back
    std::size_t held_end_ = 0;
    tag_findings* findings_;
    bool held_run_ = true;  // what is held is "<" and tag characters only
};

}  // namespace quillon
