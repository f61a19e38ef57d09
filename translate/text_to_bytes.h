// Typed text to the bytes a module is sent: the one step for every face (quillon-send, the
// bridge, the window, the screens). First the charset: raw sends the characters as typed, in
// their UTF-8; a ROM (a00, a02) converts each character beyond ASCII to the module's own code.
// Then the tags, unless the text is sent as typed (--raw). Beside the bytes, what the step
// noticed (text_notes), which every face tells its user in the same words (note_lines), each
// kind bounded however long the text.
//
// The step takes the text whole or in pieces, such as standard input read chunk by chunk; the
// bytes and the notes are the same however it is cut. Like the translator, it works in one
// buffer: a piece is read into room(), converted there in place (the codes are never longer than
// the UTF-8), then translated there in place. It holds back only what the next byte may change:
// a character cut by the end of a piece, and an unfinished tag (translate/stream_translator.h).
//
// Looking costs little: unknown names and broken tags are told by the translator's own scan,
// the raw charset's first character beyond ASCII is looked for 32 bytes at a time until it is
// found, and a ROM's ASCII that it draws otherwise is looked for while the text is converted.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "charset/rom.h"
#include "charset/rom_text.h"
#include "translate/stream_translator.h"
#include "translate/tag_findings.h"

namespace quillon {

struct text_settings {
    std::optional<charset::rom> charset;  // none: raw, the characters in their UTF-8
    bool tags = true;                     // false: the tags are sent as typed (--raw)
    bool look = true;  // false: only the bytes (no notes but the missing characters)
    // The family the text's module belongs to (a bit of translate/tag_families.h): names of
    // other families are noted (text_notes::tags.other_family()). 0: not looked for.
    std::uint8_t module_family = 0;
};

// What the step noticed about a text; none of it changes the bytes.
struct text_notes {
    tag_findings tags;                    // unknown names and broken tags
    charset::missing_characters missing;  // characters the ROM lacks, each sent as "?"
    // A "\" or "~" typed outside the tags that the ROM draws otherwise (A00: ¥ and →).
    bool ascii_shown_otherwise = false;
    // The raw charset: the first character beyond ASCII, when it is UTF-8 (a text in another
    // encoding, or bytes, are meant as they are).
    std::optional<char32_t> beyond_ascii;

    bool empty() const {
        return tags.empty() && missing.empty() && !ascii_shown_otherwise && !beyond_ascii;
    }
};

class text_to_bytes {
  public:
    explicit text_to_bytes(const text_settings& settings);
    ~text_to_bytes();
    text_to_bytes(const text_to_bytes&) = delete;
    text_to_bytes& operator=(const text_to_bytes&) = delete;

    // Room for the next piece: at least `size` bytes. Valid until the next call of any member.
    std::span<char> room(std::size_t size);

    // Converts the `count` bytes just written at the start of room() and returns the bytes now
    // finished, valid until the next call of any member.
    std::string_view convert_written(std::size_t count);

    // Copies a piece into room() and converts it: the same as the two steps above.
    std::string_view convert(std::string_view piece);

    // The text has ended: the bytes still held back (a cut character passes as its bytes, an
    // unclosed "<" is no tag). One text per step.
    std::string_view finish();

    // Complete once finish() has returned.
    const text_notes& notes() const { return notes_; }

  private:
    class shown_otherwise_watch;
    class beyond_ascii_watch;

    std::span<char> room_of_the_last_step(std::size_t size);
    std::string_view pass_on(std::size_t count);

    text_settings settings_;
    text_notes notes_;
    std::optional<charset::rom_converter> converter_;
    std::unique_ptr<shown_otherwise_watch> shown_otherwise_;
    std::unique_ptr<beyond_ascii_watch> beyond_ascii_;
    std::optional<stream_translator> translator_;
    std::unique_ptr<char[]> plain_;  // the one buffer when the tags are sent as typed
    std::size_t plain_size_ = 0;
    char* room_ = nullptr;       // the start of the last room()
    std::array<char, 3> cut_{};  // a character cut by the end of the last piece
    std::size_t cut_size_ = 0;
    std::string last_;  // finish()'s bytes when they come from two places
};

// The step over a whole text at once.
std::string bytes_of_text(std::string_view typed, const text_settings& settings, text_notes& notes);

// The notes in words, the same for every face, each line one warning without the face's own
// prefix; at most 20 tags and 20 characters named, then a count. `choose_charset` says how the
// face's user picks a ROM ("--charset a00 or a02").
struct note_line {
    enum class kind { tag, missing_character, ascii_shown_otherwise, beyond_ascii } what;
    std::string text;
};
std::vector<note_line> note_lines(const text_notes& notes, const text_settings& settings,
                                  std::string_view choose_charset);

}  // namespace quillon
